// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/nearest_descriptors.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/parallel.h"

#if defined(__x86_64__)
#include <immintrin.h>
// The eight-lane screening is compiled twice on these processors, for those with 256-bit
// vectors and for the others, and the one for the processor is chosen when the program starts.
#define EIGHT_LANE_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define EIGHT_LANE_CLONES
#endif

namespace skylacer {

namespace {

// Every candidate is first screened by a cheaper sum, |c|² - 2 q·c, which differs from the
// squared distance only by |q|², the same for every candidate of a query: a product and an
// addition per entry (one fused multiply-add where the processor has 512-bit vectors) instead of
// a subtraction, a product and an addition, summed for several candidates side by side, one to
// a lane, with no adding up of lanes at the end. Only the candidates it leaves within a rounding
// margin of the second nearest are measured by the exact sum below, so the result does not
// depend on how the screening rounds.

// Eight floats side by side. The exact sum: each lane sums its own squares in the same order on
// every processor, and the lanes are added in a fixed order, so the distances do not depend on
// the processor (the file is compiled without fused multiply-adds, which would round
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

// The exact squared distance of one query and one candidate: lane k sums entries k, k + 8, ...
float squaredDistance(const float* query, const float* candidate, int length) {
  Lanes sum{};
  for (int k = 0; k < length; k += kLanes) {
    Lanes x, c;
    loadLanes(x, query, k);
    loadLanes(c, candidate, k);
    const Lanes difference = x - c;
    sum += difference * difference;
  }
  return laneSum(sum);
}

float rowLength(const float* row, int length) {
  Lanes sum{};
  for (int k = 0; k < length; k += kLanes) {
    Lanes x;
    loadLanes(x, row, k);
    sum += x * x;
  }
  return std::sqrt(laneSum(sum));
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

// Candidates screened together: four vectors of eight lanes or two of sixteen.
constexpr int kScreened = 32;

// The candidates kScreened at a time, entry by entry: group g holds entry k of candidates
// kScreened·g .. kScreened·g + 31 side by side from (g·length + k)·kScreened on. The rows past
// the last candidate are zero and their squared lengths infinite, so that they never pass.
struct ScreeningRows {
  std::vector<float> entries;
  std::vector<float> squaredLengths;  // |c|², one per row
  float longest = 0;                  // the greatest |c|
  int groups = 0;

  int rows() const { return groups * kScreened; }
  const float* group(int g, int length) const {
    return entries.data() + static_cast<std::ptrdiff_t>(g) * length * kScreened;
  }
};

ScreeningRows screeningRows(const float* candidates, int count, int length) {
  ScreeningRows rows;
  rows.groups = (count + kScreened - 1) / kScreened;
  const auto padded = static_cast<std::size_t>(rows.rows());
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

// How far a screening sum plus |q|² and the exact sum of the same candidate may lie apart, as a
// share of (|q| + |c|)², for rows of `length` entries: the screening sum is within about
// length + 2 units of the last place of that of the true squared distance (its products and the
// candidate's squared length, bounded by the rows' lengths), the exact sum within about
// length / 8 + 8; twice the sum of both leaves room for the rows' lengths' own rounding.
float screeningMargin(int length) {
  return (2.0F * static_cast<float>(length) + 32) / (1 << 24);
}

// Offers, in their order, the candidates whose screening sum (`sums`, one per row of `rows`) is
// within the margin of `second`, the second smallest, measured by the exact sum. The sums are
// looked at eight at a time: few pass.
EIGHT_LANE_CLONES void offerPassing(const float* sums, float second, const ScreeningRows& rows,
                                    const float* query, const float* candidates, int length,
                                    NearestSoFar& nearest) {
  using Passing = std::int32_t __attribute__((vector_size(32)));
  const float reach = rowLength(query, length) + rows.longest;
  const float limit = second + 2 * screeningMargin(length) * reach * reach;
  for (int j = 0; j < rows.rows(); j += kLanes) {
    Lanes eight;
    loadLanes(eight, sums, j);
    const Passing passing = eight <= limit;
    std::uint64_t words[4];
    std::memcpy(words, &passing, sizeof words);
    if ((words[0] | words[1] | words[2] | words[3]) == 0) continue;
    for (int lane = 0; lane < kLanes; ++lane)
      if (passing[lane] != 0)
        nearest.offer(
            squaredDistance(query, candidates + static_cast<std::ptrdiff_t>(j + lane) * length,
                            length),
            j + lane);
  }
}

// Stores a group's screening sums, |c|² - 2 q·c from the squared lengths and dot products.
[[gnu::always_inline]] inline void storeSums(const Lanes& dots, const float* squaredLengths, int at,
                                             float* sums) {
  Lanes lengths;
  loadLanes(lengths, squaredLengths, at);
  const Lanes screened = lengths - (dots + dots);
  std::memcpy(sums + at, &screened, sizeof screened);
}

// The screening sums of two queries against every candidate, eight candidates to a vector, into
// `sums` and `otherSums` (rows.rows() each). A single query passes its row as both. Written out
// rather than looped over arrays, which GCC keeps in memory instead of registers.
EIGHT_LANE_CLONES void screenTwoQueries(const float* query, const float* otherQuery,
                                        const ScreeningRows& rows, int length, float* sums,
                                        float* otherSums) {
  for (int g = 0; g < rows.groups; ++g) {
    const float* entries = rows.group(g, length);
    Lanes a0{}, a1{}, a2{}, a3{}, b0{}, b1{}, b2{}, b3{};
    for (int k = 0; k < length; ++k) {
      const float* column = entries + static_cast<std::ptrdiff_t>(k) * kScreened;
      Lanes c0, c1, c2, c3;
      loadLanes(c0, column, 0);
      loadLanes(c1, column, 8);
      loadLanes(c2, column, 16);
      loadLanes(c3, column, 24);
      const float x = query[k];
      const float y = otherQuery[k];
      a0 += x * c0;
      a1 += x * c1;
      a2 += x * c2;
      a3 += x * c3;
      b0 += y * c0;
      b1 += y * c1;
      b2 += y * c2;
      b3 += y * c3;
    }
    const float* lengths = rows.squaredLengths.data() + g * kScreened;
    float* row = sums + g * kScreened;
    float* otherRow = otherSums + g * kScreened;
    storeSums(a0, lengths, 0, row);
    storeSums(a1, lengths, 8, row);
    storeSums(a2, lengths, 16, row);
    storeSums(a3, lengths, 24, row);
    storeSums(b0, lengths, 0, otherRow);
    storeSums(b1, lengths, 8, otherRow);
    storeSums(b2, lengths, 16, otherRow);
    storeSums(b3, lengths, 24, otherRow);
  }
}

// The second smallest of `count` values.
float secondSmallestOf(const float* values, int count) {
  NearestSoFar smallest;
  for (int i = 0; i < count; ++i) smallest.offer(values[i], i);
  return smallest.second;
}

// Keeps, lane by lane, the two smallest of the sums offered.
struct SmallestTwoLanes {
  Lanes smallest = Lanes{} + std::numeric_limits<float>::infinity();
  Lanes next = smallest;

  [[gnu::always_inline]] void offer(const float* sums) {
    Lanes s;
    loadLanes(s, sums, 0);
    const Lanes higher = s < smallest ? smallest : s;
    next = higher < next ? higher : next;
    smallest = s < smallest ? s : smallest;
  }
};

// The second smallest of `count` sums (a multiple of sixteen): each lane's two smallest hold the
// whole row's two smallest. Two sets of lanes, so that each waits less on its last comparison.
EIGHT_LANE_CLONES float secondSmallest(const float* sums, int count) {
  SmallestTwoLanes even, odd;
  for (int j = 0; j < count; j += 2 * kLanes) {
    even.offer(sums + j);
    odd.offer(sums + j + kLanes);
  }
  float kept[4 * kLanes];
  std::memcpy(kept, &even.smallest, sizeof even.smallest);
  std::memcpy(kept + kLanes, &even.next, sizeof even.next);
  std::memcpy(kept + 2 * kLanes, &odd.smallest, sizeof odd.smallest);
  std::memcpy(kept + 3 * kLanes, &odd.next, sizeof odd.next);
  return secondSmallestOf(kept, 4 * kLanes);
}

#if defined(__x86_64__)
bool hasWideVectors() {
  static const bool wide = __builtin_cpu_supports("avx512f");
  return wide;
}

// GCC 12's intrinsics start some results from an undefined vector that every lane then
// overwrites, and warn about it once inlined.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Stores two vectors of a query's screening sums, |c|² - 2 q·c from the squared lengths and dot
// products, and keeps lane by lane the two smallest so far.
[[gnu::always_inline]] __attribute__((target("avx512f"))) inline void keepSums(
    __m512 dots, __m512 moreDots, __m512 lengths, __m512 moreLengths, float* row, __m512& smallest,
    __m512& next) {
  const __m512 two = _mm512_set1_ps(2.0F);
  for (const __m512 screened :
       {_mm512_fnmadd_ps(two, dots, lengths), _mm512_fnmadd_ps(two, moreDots, moreLengths)}) {
    _mm512_storeu_ps(row, screened);
    row += 16;
    next = _mm512_min_ps(next, _mm512_max_ps(smallest, screened));
    smallest = _mm512_min_ps(smallest, screened);
  }
}

[[gnu::always_inline]] __attribute__((target("avx512f"))) inline float secondSmallest(
    const __m512& smallest, const __m512& next) {
  alignas(64) float kept[32];
  _mm512_store_ps(kept, smallest);
  _mm512_store_ps(kept + 16, next);
  return secondSmallestOf(kept, 32);
}

// The screening sums of four queries against every candidate, sixteen candidates to a vector,
// into four rows of `sums` (rows.rows() each), and the second smallest of each row. Written out,
// since GCC keeps arrays of vectors in memory.
__attribute__((target("avx512f"))) void screenFourQueries(const float* const (&queries)[4],
                                                          const ScreeningRows& rows, int length,
                                                          float* sums, float (&second)[4]) {
  const __m512 infinity = _mm512_set1_ps(std::numeric_limits<float>::infinity());
  __m512 smallest0 = infinity, smallest1 = infinity, smallest2 = infinity, smallest3 = infinity;
  __m512 next0 = infinity, next1 = infinity, next2 = infinity, next3 = infinity;
  const std::ptrdiff_t rowStride = rows.rows();
  for (int g = 0; g < rows.groups; ++g) {
    const float* entries = rows.group(g, length);
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
    const __m512 lengths = _mm512_loadu_ps(rows.squaredLengths.data() + at);
    const __m512 moreLengths = _mm512_loadu_ps(rows.squaredLengths.data() + at + 16);
    float* row = sums + at;
    keepSums(a0, b0, lengths, moreLengths, row, smallest0, next0);
    keepSums(a1, b1, lengths, moreLengths, row + rowStride, smallest1, next1);
    keepSums(a2, b2, lengths, moreLengths, row + 2 * rowStride, smallest2, next2);
    keepSums(a3, b3, lengths, moreLengths, row + 3 * rowStride, smallest3, next3);
  }
  second[0] = secondSmallest(smallest0, next0);
  second[1] = secondSmallest(smallest1, next1);
  second[2] = secondSmallest(smallest2, next2);
  second[3] = secondSmallest(smallest3, next3);
}

#pragma GCC diagnostic pop
#endif

}  // namespace

std::vector<NearestTwo> nearestTwo(std::span<const float> queries,
                                   std::span<const float> candidates, int length,
                                   [[maybe_unused]] DescriptorVectors vectors, int workers) {
  const auto rowLength = static_cast<std::size_t>(length);
  const std::size_t queryCount = queries.size() / rowLength;
  const ScreeningRows rows =
      screeningRows(candidates.data(), static_cast<int>(candidates.size() / rowLength), length);
  // Queries go four or two at a time; a last group short of queries repeats its last one.
  std::size_t together = 2;
#if defined(__x86_64__)
  if (vectors == DescriptorVectors::Widest && hasWideVectors()) together = 4;
#endif
  const auto rowStride = static_cast<std::size_t>(rows.rows());
  std::vector<NearestTwo> found(queryCount);
  // Each thread takes a run of whole groups of queries, with screening sums of its own.
  const std::size_t groups = (queryCount + together - 1) / together;
  runShares(workers, groups, [&](std::size_t firstGroup, std::size_t endGroup) {
    std::vector<float> sums(together * rowStride);
    for (std::size_t i = firstGroup * together; i < std::min(queryCount, endGroup * together);
         i += together) {
      const float* group[4];
      for (std::size_t q = 0; q < together; ++q)
        group[q] = queries.data() + std::min(i + q, queryCount - 1) * rowLength;
      float second[4];
#if defined(__x86_64__)
      if (together == 4) {
        screenFourQueries({group[0], group[1], group[2], group[3]}, rows, length, sums.data(),
                          second);
      } else
#endif
      {
        screenTwoQueries(group[0], group[1], rows, length, sums.data(), sums.data() + rowStride);
        for (std::size_t q = 0; q < 2; ++q)
          second[q] = secondSmallest(sums.data() + q * rowStride, rows.rows());
      }
      for (std::size_t q = 0; q < together && i + q < queryCount; ++q) {
        NearestSoFar nearest;
        offerPassing(sums.data() + q * rowStride, second[q], rows, group[q], candidates.data(),
                     length, nearest);
        found[i + q] = nearest.result();
      }
    }
  });
  return found;
}

}  // namespace skylacer
