// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/nearest_descriptors.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

#if defined(__x86_64__)
#include <immintrin.h>
// The eight-lane search is compiled twice on these processors, for those with 256-bit vectors
// and for the others, and the one for the processor is chosen when the program starts.
#define EIGHT_LANE_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define EIGHT_LANE_CLONES
#endif

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

// The rows of candidates j..j + 3: the candidates' own, or for the last group of one to three
// `lastGroup`'s (those candidates, then rows at an infinite distance).
[[gnu::always_inline]] inline void groupRows(const float* candidates, int count,
                                             const float* lastGroup, int length, int j,
                                             const float* (&rows)[4]) {
  const float* first =
      j + 4 <= count ? candidates + static_cast<std::ptrdiff_t>(j) * length : lastGroup;
  for (int c = 0; c < 4; ++c) rows[c] = first + static_cast<std::ptrdiff_t>(c) * length;
}

// Two queries against every candidate, four at a time. A single query passes its row as both.
EIGHT_LANE_CLONES void searchPairOfQueries(const float* query, const float* otherQuery,
                                           const float* candidates, int count,
                                           const float* lastGroup, int length,
                                           NearestSoFar& nearest, NearestSoFar& otherNearest) {
  for (int j = 0; j < count; j += 4) {
    const float* rows[4];
    groupRows(candidates, count, lastGroup, length, j, rows);
    compareFour(query, otherQuery, rows, length, j, nearest, otherNearest);
  }
}

#if defined(__x86_64__)
// Where the processor has 512-bit vectors, four queries go together: a vector holds the eight
// lanes of one query beside the same eight lanes of another (the pair's rows interleaved eight
// entries at a time), and each candidate's eight entries fill both halves. Each half sums as the
// eight lanes above do, in the same order, so the distances are the same bit for bit; the
// vectors do twice the work per instruction, and each candidate row is read once for four
// queries instead of two.
bool hasWideVectors() {
  static const bool wide = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
  return wide;
}

// GCC 12's intrinsics start some results from an undefined vector that every lane then
// overwrites, and warn about it once inlined.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Both halves' sums in laneSum's order, in lanes 0 and 8.
[[gnu::always_inline]] __attribute__((target("avx512f"))) inline __m512 halfSums(__m512 s) {
  const __m512 t = _mm512_add_ps(s, _mm512_shuffle_f32x4(s, s, _MM_SHUFFLE(2, 3, 0, 1)));
  const __m512 u = _mm512_add_ps(t, _mm512_permute_ps(t, _MM_SHUFFLE(1, 0, 3, 2)));
  return _mm512_add_ps(u, _mm512_permute_ps(u, _MM_SHUFFLE(2, 3, 0, 1)));
}

// sum + (pair - candidate)², lane by lane.
[[gnu::always_inline]] __attribute__((target("avx512f"))) inline __m512 addSquaredDifference(
    __m512 sum, __m512 pair, __m512 candidate) {
  const __m512 difference = _mm512_sub_ps(pair, candidate);
  return _mm512_add_ps(sum, _mm512_mul_ps(difference, difference));
}

// Four queries (`pairs`: two interleaved pairs, 2 x length floats each) against every candidate,
// four at a time. Written out, since GCC keeps arrays of vectors in memory.
__attribute__((target("avx512f,avx512dq"))) void searchFourQueries(
    const float* pairs, const float* candidates, int count, const float* lastGroup, int length,
    NearestSoFar (&nearest)[4]) {
  const float* firstPair = pairs;
  const float* secondPair = pairs + 2 * static_cast<std::ptrdiff_t>(length);
  for (int j = 0; j < count; j += 4) {
    const float* rows[4];
    groupRows(candidates, count, lastGroup, length, j, rows);
    __m512 a0 = _mm512_setzero_ps(), a1 = a0, a2 = a0, a3 = a0;
    __m512 b0 = a0, b1 = a0, b2 = a0, b3 = a0;
    for (int k = 0; k < length; k += kLanes) {
      const __m512 x = _mm512_loadu_ps(firstPair + 2 * k);
      const __m512 y = _mm512_loadu_ps(secondPair + 2 * k);
      const __m512 c0 = _mm512_broadcast_f32x8(_mm256_loadu_ps(rows[0] + k));
      const __m512 c1 = _mm512_broadcast_f32x8(_mm256_loadu_ps(rows[1] + k));
      const __m512 c2 = _mm512_broadcast_f32x8(_mm256_loadu_ps(rows[2] + k));
      const __m512 c3 = _mm512_broadcast_f32x8(_mm256_loadu_ps(rows[3] + k));
      a0 = addSquaredDifference(a0, x, c0);
      a1 = addSquaredDifference(a1, x, c1);
      a2 = addSquaredDifference(a2, x, c2);
      a3 = addSquaredDifference(a3, x, c3);
      b0 = addSquaredDifference(b0, y, c0);
      b1 = addSquaredDifference(b1, y, c1);
      b2 = addSquaredDifference(b2, y, c2);
      b3 = addSquaredDifference(b3, y, c3);
    }
    // Sums in lanes 0 and 8, gathered query by query: lanes 0..3 the first query's four
    // candidates, 8..11 the second's.
    const __m512i pick = _mm512_setr_epi32(0, 16, 0, 16, 0, 16, 0, 16, 8, 24, 8, 24, 8, 24, 8, 24);
    const __m512i join = _mm512_setr_epi32(0, 1, 16, 17, 4, 5, 6, 7, 8, 9, 24, 25, 12, 13, 14, 15);
    const __m512 first =
        _mm512_permutex2var_ps(_mm512_permutex2var_ps(halfSums(a0), pick, halfSums(a1)), join,
                               _mm512_permutex2var_ps(halfSums(a2), pick, halfSums(a3)));
    const __m512 second =
        _mm512_permutex2var_ps(_mm512_permutex2var_ps(halfSums(b0), pick, halfSums(b1)), join,
                               _mm512_permutex2var_ps(halfSums(b2), pick, halfSums(b3)));
    alignas(64) float squared[2][16];
    _mm512_store_ps(squared[0], first);
    _mm512_store_ps(squared[1], second);
    for (int q = 0; q < 4; ++q)
      for (int c = 0; c < 4; ++c) nearest[q].offer(squared[q / 2][8 * (q % 2) + c], j + c);
  }
}

#pragma GCC diagnostic pop
#endif

}  // namespace

std::vector<NearestTwo> nearestTwo(std::span<const float> queries,
                                   std::span<const float> candidates, int length,
                                   [[maybe_unused]] DescriptorVectors vectors) {
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
  std::size_t i = 0;
#if defined(__x86_64__)
  if (vectors == DescriptorVectors::Widest && hasWideVectors()) {
    std::vector<float> pairs(4 * rowLength);
    for (; i + 4 <= queryCount; i += 4) {
      for (std::size_t q = 0; q < 4; ++q)
        for (std::size_t k = 0; k < rowLength; k += kLanes)
          std::copy_n(queries.data() + (i + q) * rowLength + k, kLanes,
                      pairs.data() + (q / 2) * 2 * rowLength + 2 * k + (q % 2) * kLanes);
      NearestSoFar nearest[4];
      searchFourQueries(pairs.data(), candidates.data(), candidateCount, lastGroup.data(), length,
                        nearest);
      for (std::size_t q = 0; q < 4; ++q) found[i + q] = nearest[q].result();
    }
  }
#endif
  for (; i < queryCount; i += 2) {
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
