// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/nearest_descriptors.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

namespace skylacer {

namespace {

// Eight floats side by side: one instruction for all of them where the processor has 256-bit
// vectors, two where it has 128-bit ones. Each lane sums its own squares in the same order on
// every processor, and the lanes are added in a fixed order, so the distances do not depend
// on the processor (the file is compiled without fused multiply-adds, which would round
// differently).
using Lanes = float __attribute__((vector_size(32)));
constexpr int kLanes = 8;

// Vectors go by reference: passed by value, their ABI would depend on the processor.
void loadLanes(Lanes& lanes, const float* row, int k) {
  std::memcpy(&lanes, row + k, sizeof lanes);
}

float laneSum(const Lanes& s) {
  return ((s[0] + s[4]) + (s[2] + s[6])) + ((s[1] + s[5]) + (s[3] + s[7]));
}

// sum += (query - candidate)², lane by lane.
[[gnu::always_inline]] inline void addSquaredDifference(Lanes& sum, const Lanes& query,
                                                        const Lanes& candidate) {
  const Lanes difference = query - candidate;
  sum += difference * difference;
}

// The two smallest squared distances so far and the index of the smallest.
struct NearestSoFar {
  float first = std::numeric_limits<float>::infinity();
  float second = std::numeric_limits<float>::infinity();
  int index = -1;

  void offer(float squared, int candidate) {
    if (squared < first) {
      second = first;
      first = squared;
      index = candidate;
    } else if (squared < second) {
      second = squared;
    }
  }
  NearestTwo result() const { return {index, std::sqrt(first), std::sqrt(second)}; }
};

// Two queries against four candidate rows, offered as candidates j..j + 3: each query row is
// loaded once for the four candidates and each candidate row once for both queries, and the
// eight sums are independent, so the additions do not wait on one another. Written out rather
// than looped over arrays, which GCC keeps in memory instead of registers. Inlined into its
// caller, so that it is compiled for the caller's processor.
[[gnu::always_inline]] inline void compareFour(const float* query, const float* otherQuery,
                                               const float* const (&rows)[4], int length, int j,
                                               NearestSoFar& nearest, NearestSoFar& otherNearest) {
  Lanes a0{}, a1{}, a2{}, a3{}, b0{}, b1{}, b2{}, b3{};
  for (int k = 0; k < length; k += kLanes) {
    Lanes x, y, c0, c1, c2, c3;
    loadLanes(x, query, k);
    loadLanes(y, otherQuery, k);
    loadLanes(c0, rows[0], k);
    loadLanes(c1, rows[1], k);
    loadLanes(c2, rows[2], k);
    loadLanes(c3, rows[3], k);
    addSquaredDifference(a0, x, c0);
    addSquaredDifference(a1, x, c1);
    addSquaredDifference(a2, x, c2);
    addSquaredDifference(a3, x, c3);
    addSquaredDifference(b0, y, c0);
    addSquaredDifference(b1, y, c1);
    addSquaredDifference(b2, y, c2);
    addSquaredDifference(b3, y, c3);
  }
  const float toQuery[4] = {laneSum(a0), laneSum(a1), laneSum(a2), laneSum(a3)};
  const float toOtherQuery[4] = {laneSum(b0), laneSum(b1), laneSum(b2), laneSum(b3)};
  for (int c = 0; c < 4; ++c) {
    nearest.offer(toQuery[c], j + c);
    otherNearest.offer(toOtherQuery[c], j + c);
  }
}

// Two queries against every candidate, four at a time; the last group's rows are `lastGroup`
// (the last one to three candidates, then rows at an infinite distance). A single query passes
// its row as both.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void searchPairOfQueries(
    const float* query, const float* otherQuery, const float* candidates, int count,
    const float* lastGroup, int length, NearestSoFar& nearest, NearestSoFar& otherNearest) {
  const auto rowOf = [&](const float* rows, int j) {
    return rows + static_cast<std::ptrdiff_t>(j) * length;
  };
  int j = 0;
  for (; j + 4 <= count; j += 4) {
    const float* const rows[4] = {rowOf(candidates, j), rowOf(candidates, j + 1),
                                  rowOf(candidates, j + 2), rowOf(candidates, j + 3)};
    compareFour(query, otherQuery, rows, length, j, nearest, otherNearest);
  }
  if (j < count) {
    const float* const rows[4] = {rowOf(lastGroup, 0), rowOf(lastGroup, 1), rowOf(lastGroup, 2),
                                  rowOf(lastGroup, 3)};
    compareFour(query, otherQuery, rows, length, j, nearest, otherNearest);
  }
}

}  // namespace

std::vector<NearestTwo> nearestTwo(std::span<const float> queries,
                                   std::span<const float> candidates, int length) {
  const auto rowLength = static_cast<std::size_t>(length);
  const std::size_t queryCount = queries.size() / rowLength;
  const int candidateCount = static_cast<int>(candidates.size() / rowLength);
  // A row this far from every descriptor has an infinite squared distance, never the nearest.
  constexpr float kFar = std::numeric_limits<float>::max();
  const std::size_t inLastGroup = static_cast<std::size_t>(candidateCount % 4);
  std::vector<float> lastGroup(4 * rowLength, kFar);
  std::copy(candidates.end() - static_cast<std::ptrdiff_t>(inLastGroup * rowLength),
            candidates.end(), lastGroup.begin());
  std::vector<NearestTwo> found(queryCount);
  for (std::size_t i = 0; i < queryCount; i += 2) {
    const float* query = queries.data() + i * rowLength;
    const bool two = i + 1 < queryCount;
    NearestSoFar nearest;
    NearestSoFar otherNearest;
    searchPairOfQueries(query, two ? query + rowLength : query, candidates.data(), candidateCount,
                        lastGroup.data(), length, nearest, otherNearest);
    found[i] = nearest.result();
    if (two) found[i + 1] = otherNearest.result();
  }
  return found;
}

}  // namespace skylacer
