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
// Where the processor has 512-bit vectors the candidates are screened first by a cheaper sum:
// |c|² - 2 q·c, which differs from the squared distance by |q|², the same for every candidate,
// takes one fused multiply-add per entry instead of a subtraction, a product and an addition,
// and is summed for sixteen candidates side by side, one to a lane, with no adding up of lanes
// at the end. Only the candidates it leaves within a margin of the second nearest are measured
// by the eight-lane sum, so the result is that of the eight-lane search bit for bit.
bool hasWideVectors() {
  static const bool wide = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
  return wide;
}

// Candidates screened together: two vectors of sixteen lanes.
constexpr int kScreened = 32;

// The candidates kScreened at a time, entry by entry: group g holds entry k of candidates
// kScreened·g .. kScreened·g + 31 side by side from (g·length + k)·kScreened on. The rows past
// the last candidate are zero and their squared lengths infinite, so that they never pass.
struct ScreeningRows {
  std::vector<float> entries;
  std::vector<float> squaredLengths;  // |c|², one per row
  float longest = 0;                  // the greatest |c|
  int groups = 0;
};

ScreeningRows screeningRows(const float* candidates, int count, int length) {
  ScreeningRows rows;
  rows.groups = (count + kScreened - 1) / kScreened;
  const auto padded = static_cast<std::size_t>(rows.groups) * kScreened;
  rows.entries.assign(padded * static_cast<std::size_t>(length), 0.0F);
  rows.squaredLengths.assign(padded, std::numeric_limits<float>::infinity());
  float longestSquared = 0;
  for (int j = 0; j < count; ++j) {
    const float* row = candidates + static_cast<std::ptrdiff_t>(j) * length;
    float* column = rows.entries.data() +
                    static_cast<std::ptrdiff_t>(j / kScreened) * length * kScreened + j % kScreened;
    float squared = 0;
    for (int k = 0; k < length; ++k) {
      column[static_cast<std::ptrdiff_t>(k) * kScreened] = row[k];
      squared += row[k] * row[k];
    }
    rows.squaredLengths[static_cast<std::size_t>(j)] = squared;
    longestSquared = std::max(longestSquared, squared);
  }
  rows.longest = std::sqrt(longestSquared);
  return rows;
}

// How far a screening sum plus |q|² and the eight-lane sum of the same candidate may lie apart,
// as a share of (|q| + |c|)², for rows of `length` entries: the screening sum is within about
// length + 2 units of the last place of that of the true squared distance (its products and the
// candidate's squared length, bounded by the rows' lengths), the eight-lane sum within about
// length / 8 + 8; twice the sum of both leaves room for the rows' lengths' own rounding.
float screeningMargin(int length) {
  return (2.0F * static_cast<float>(length) + 32) / (1 << 24);
}

// The eight-lane sum of one query and one candidate, added as compareFour adds it.
float squaredDistance(const float* query, const float* candidate, int length) {
  Lanes sum{};
  for (int k = 0; k < length; k += kLanes) {
    Lanes x, c;
    loadLanes(x, query, k);
    loadLanes(c, candidate, k);
    addSquaredDifference(sum, x, c);
  }
  return laneSum(sum);
}

// GCC 12's intrinsics start some results from an undefined vector that every lane then
// overwrites, and warn about it once inlined.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Stores the screening sums of the group's 32 candidates, |c|² - 2 q·c from their squared lengths
// and dot products with one query, and keeps lane by lane the two smallest so far.
[[gnu::always_inline]] __attribute__((target("avx512f"))) inline void keepSums(
    const __m512 (&dots)[2], const __m512 (&lengths)[2], float* sums, __m512& lowest,
    __m512& next) {
  for (int half = 0; half < 2; ++half) {
    const __m512 screened = _mm512_fnmadd_ps(_mm512_set1_ps(2.0F), dots[half], lengths[half]);
    _mm512_storeu_ps(sums + 16 * half, screened);
    next = _mm512_min_ps(next, _mm512_max_ps(lowest, screened));
    lowest = _mm512_min_ps(lowest, screened);
  }
}

// The second smallest of the sums the lanes keep: each lane's two smallest hold the whole
// search's two smallest.
[[gnu::always_inline]] __attribute__((target("avx512f"))) inline float secondLowest(
    const __m512& lowest, const __m512& next) {
  alignas(64) float kept[32];
  _mm512_store_ps(kept, lowest);
  _mm512_store_ps(kept + 16, next);
  std::nth_element(kept, kept + 1, kept + 32);
  return kept[1];
}

// The screening sums of four queries against every candidate, into `sums` (four rows of
// groups · kScreened), and each query's second smallest. Written out, since GCC keeps arrays of
// vectors in memory.
__attribute__((target("avx512f"))) void screenFourQueries(const float* const (&queries)[4],
                                                          const ScreeningRows& rows, int length,
                                                          float* sums, float (&second)[4]) {
  const std::ptrdiff_t rowStride = static_cast<std::ptrdiff_t>(rows.groups) * kScreened;
  const __m512 infinity = _mm512_set1_ps(std::numeric_limits<float>::infinity());
  __m512 low0 = infinity, low1 = infinity, low2 = infinity, low3 = infinity;
  __m512 next0 = infinity, next1 = infinity, next2 = infinity, next3 = infinity;
  for (int g = 0; g < rows.groups; ++g) {
    const float* entries =
        rows.entries.data() + static_cast<std::ptrdiff_t>(g) * length * kScreened;
    __m512 a0 = _mm512_setzero_ps(), a1 = a0, a2 = a0, a3 = a0;
    __m512 b0 = a0, b1 = a0, b2 = a0, b3 = a0;
    for (int k = 0; k < length; ++k) {
      const __m512 c = _mm512_loadu_ps(entries + k * kScreened);
      const __m512 d = _mm512_loadu_ps(entries + k * kScreened + 16);
      const __m512 q0 = _mm512_set1_ps(queries[0][k]);
      const __m512 q1 = _mm512_set1_ps(queries[1][k]);
      const __m512 q2 = _mm512_set1_ps(queries[2][k]);
      const __m512 q3 = _mm512_set1_ps(queries[3][k]);
      a0 = _mm512_fmadd_ps(q0, c, a0);
      b0 = _mm512_fmadd_ps(q0, d, b0);
      a1 = _mm512_fmadd_ps(q1, c, a1);
      b1 = _mm512_fmadd_ps(q1, d, b1);
      a2 = _mm512_fmadd_ps(q2, c, a2);
      b2 = _mm512_fmadd_ps(q2, d, b2);
      a3 = _mm512_fmadd_ps(q3, c, a3);
      b3 = _mm512_fmadd_ps(q3, d, b3);
    }
    const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(g) * kScreened;
    const __m512 lengths[2] = {_mm512_loadu_ps(rows.squaredLengths.data() + at),
                               _mm512_loadu_ps(rows.squaredLengths.data() + at + 16)};
    keepSums({a0, b0}, lengths, sums + at, low0, next0);
    keepSums({a1, b1}, lengths, sums + rowStride + at, low1, next1);
    keepSums({a2, b2}, lengths, sums + 2 * rowStride + at, low2, next2);
    keepSums({a3, b3}, lengths, sums + 3 * rowStride + at, low3, next3);
  }
  second[0] = secondLowest(low0, next0);
  second[1] = secondLowest(low1, next1);
  second[2] = secondLowest(low2, next2);
  second[3] = secondLowest(low3, next3);
}

// Offers, in their order, the candidates whose screening sum (one row of `sums`) is at most
// `limit`, measured by the eight-lane sum.
__attribute__((target("avx512f"))) void offerPassing(const float* sums, float limit,
                                                     const ScreeningRows& rows, const float* query,
                                                     const float* candidates, int length,
                                                     NearestSoFar& nearest) {
  const __m512 limits = _mm512_set1_ps(limit);
  for (int j = 0; j < rows.groups * kScreened; j += 16) {
    for (__mmask16 passing = _mm512_cmp_ps_mask(_mm512_loadu_ps(sums + j), limits, _CMP_LE_OQ);
         passing != 0; passing &= static_cast<__mmask16>(passing - 1)) {
      const int candidate = j + __builtin_ctz(passing);
      nearest.offer(
          squaredDistance(query, candidates + static_cast<std::ptrdiff_t>(candidate) * length,
                          length),
          candidate);
    }
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
    const ScreeningRows rows = screeningRows(candidates.data(), candidateCount, length);
    const std::size_t rowStride = static_cast<std::size_t>(rows.groups) * kScreened;
    std::vector<float> sums(4 * rowStride);
    for (; i < queryCount; i += 4) {
      // The last group repeats its last query where it has fewer than four.
      const float* group[4];
      float queryLengths[4];
      for (std::size_t q = 0; q < 4; ++q) {
        group[q] = queries.data() + std::min(i + q, queryCount - 1) * rowLength;
        float squared = 0;
        for (std::size_t k = 0; k < rowLength; ++k) squared += group[q][k] * group[q][k];
        queryLengths[q] = std::sqrt(squared);
      }
      float second[4];
      screenFourQueries(group, rows, length, sums.data(), second);
      for (std::size_t q = 0; q < 4 && i + q < queryCount; ++q) {
        const float reach = queryLengths[q] + rows.longest;
        NearestSoFar nearest;
        offerPassing(sums.data() + q * rowStride,
                     second[q] + 2 * screeningMargin(length) * reach * reach, rows, group[q],
                     candidates.data(), length, nearest);
        found[i + q] = nearest.result();
      }
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
