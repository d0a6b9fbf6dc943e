// SPDX-License-Identifier: GPL-3.0-or-later
// The brute-force search for each descriptor's two nearest neighbours.

#include "engine/nearest_descriptors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace skylacer {
namespace {

constexpr int kLength = 128;

// The squared distance summed as the search sums it: eight running sums, lane k taking the
// entries k, k + 8, ..., then the lanes added in the search's fixed order. Compiled here without
// fused multiply-adds, so that an equal result shows the search rounds the same way on every
// processor.
float squaredDistance(const float* a, const float* b) {
  float lanes[8] = {};
  for (int k = 0; k < kLength; ++k) {
    const float d = a[k] - b[k];
    const float square = d * d;
    lanes[k % 8] = lanes[k % 8] + square;
  }
  return ((lanes[0] + lanes[4]) + (lanes[2] + lanes[6])) +
         ((lanes[1] + lanes[5]) + (lanes[3] + lanes[7]));
}

// Rows of descriptor entries of magnitudes from 0.001 to 1, so that sums added in another order
// round differently.
std::vector<float> randomRows(int rows, std::mt19937& random) {
  std::uniform_real_distribution<float> exponent(-3.0F, 0.0F);
  std::vector<float> entries(static_cast<std::size_t>(rows) * kLength);
  for (float& value : entries) value = std::pow(10.0F, exponent(random));
  return entries;
}

// Each query's two nearest candidates by the plain loop, against `found`.
void expectThoseOfThePlainLoop(const std::vector<NearestTwo>& found,
                               const std::vector<float>& queries,
                               const std::vector<float>& candidates) {
  const int queryCount = static_cast<int>(queries.size()) / kLength;
  const int candidateCount = static_cast<int>(candidates.size()) / kLength;
  ASSERT_EQ(found.size(), static_cast<std::size_t>(queryCount));
  for (int i = 0; i < queryCount; ++i) {
    SCOPED_TRACE(i);
    std::vector<float> squared;
    for (int j = 0; j < candidateCount; ++j)
      squared.push_back(squaredDistance(&queries[i * kLength], &candidates[j * kLength]));
    int nearest = 0;
    for (int j = 1; j < candidateCount; ++j)
      if (squared[j] < squared[nearest]) nearest = j;
    float second = INFINITY;
    for (int j = 0; j < candidateCount; ++j)
      if (j != nearest) second = std::min(second, squared[j]);
    EXPECT_EQ(found[i].nearest, nearest);
    EXPECT_EQ(found[i].nearestDistance, std::sqrt(squared[nearest]));
    EXPECT_EQ(found[i].secondDistance, std::sqrt(second));
  }
}

class NearestDescriptors : public testing::TestWithParam<DescriptorVectors> {};

TEST_P(NearestDescriptors, EveryQueryGetsItsTwoNearestWithTheSameDistancesOnEveryProcessor) {
  // 43 queries (ten groups of four where the vectors are wide, then a pair, then one left over)
  // against 11 candidates (three after the groups of four); candidate 9 repeats candidate 2, so
  // the query nearest to both must get index 2. Many queries, since a distance rounded
  // otherwise often keeps its square root.
  std::mt19937 random(5);
  std::vector<float> candidates = randomRows(11, random);
  std::copy_n(candidates.begin() + 2 * kLength, kLength, candidates.begin() + 9 * kLength);
  std::vector<float> queries = randomRows(43, random);
  for (int k = 0; k < kLength; ++k) queries[3 * kLength + k] = candidates[2 * kLength + k] + 1e-3F;

  const std::vector<NearestTwo> found = nearestTwo(queries, candidates, kLength, GetParam());
  expectThoseOfThePlainLoop(found, queries, candidates);
  // Shared among three threads (whole groups of queries each, the last group short).
  expectThoseOfThePlainLoop(nearestTwo(queries, candidates, kLength, GetParam(), 3), queries,
                            candidates);
  EXPECT_EQ(found[3].nearest, 2);
  EXPECT_EQ(found[3].nearestDistance, found[3].secondDistance) << "the repeat is the second";
}

TEST_P(NearestDescriptors, FewQueriesAndCandidatesAreSearchedWhole) {
  // Candidates filling their groups of four exactly, or none at all, and queries one short of,
  // at or one past a group of four.
  std::mt19937 random(7);
  for (const auto& [queryCount, candidateCount] :
       {std::pair{4, 2}, std::pair{4, 4}, std::pair{3, 3}, std::pair{5, 8}, std::pair{1, 2}}) {
    SCOPED_TRACE(testing::Message()
                 << queryCount << " queries, " << candidateCount << " candidates");
    const std::vector<float> queries = randomRows(queryCount, random);
    const std::vector<float> candidates = randomRows(candidateCount, random);
    expectThoseOfThePlainLoop(nearestTwo(queries, candidates, kLength, GetParam()), queries,
                              candidates);
  }
}

TEST_P(NearestDescriptors, CandidatesAtAlmostTheSameDistanceAreToldApartAsThePlainLoopTellsThem) {
  // Each candidate is its query with one entry moved by the same step: their distances differ
  // only by rounding, and a search that first narrows the candidates by a cheaper sum must keep
  // all of them to find the one the plain loop finds. Queries of unit length, as the features
  // give, and of length 20.
  std::mt19937 random(11);
  for (const float length : {1.0F, 20.0F}) {
    SCOPED_TRACE(length);
    std::vector<float> queries = randomRows(9, random);
    for (int i = 0; i < 9; ++i) {
      float squared = 0;
      for (int k = 0; k < kLength; ++k)
        squared += queries[i * kLength + k] * queries[i * kLength + k];
      for (int k = 0; k < kLength; ++k) queries[i * kLength + k] *= length / std::sqrt(squared);
    }
    std::vector<float> candidates = randomRows(40, random);
    for (int i = 0; i < 9; ++i)
      for (int k = 0; k < kLength; ++k) {
        std::vector<float> moved(queries.begin() + i * kLength,
                                 queries.begin() + (i + 1) * kLength);
        moved[static_cast<std::size_t>(k)] += 0.01F * length;
        candidates.insert(candidates.end(), moved.begin(), moved.end());
      }
    expectThoseOfThePlainLoop(nearestTwo(queries, candidates, kLength, GetParam()), queries,
                              candidates);
  }
}

// The widest vectors are those of the processor: on one without 512-bit vectors both cases
// take eight floats.
INSTANTIATE_TEST_SUITE_P(Vectors, NearestDescriptors,
                         testing::Values(DescriptorVectors::Widest, DescriptorVectors::Eight),
                         [](const testing::TestParamInfo<DescriptorVectors>& info) {
                           return info.param == DescriptorVectors::Widest ? "Widest" : "Eight";
                         });

}  // namespace
}  // namespace skylacer
