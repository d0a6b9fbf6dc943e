// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The nearest neighbours of feature descriptors by Euclidean distance: every query compared with
// every candidate, with the same distances on every processor.

#include <span>
#include <vector>

namespace skylacer {

struct NearestTwo {
  int nearest = -1;           // the nearest candidate's index
  float nearestDistance = 0;  // the distance to it
  float secondDistance = 0;   // the distance to the next nearest
};

// The vectors the search may use: the widest the processor has, or eight floats whatever it has
// (as a processor without 512-bit vectors does), to show on one machine that both agree.
enum class DescriptorVectors { Widest, Eight };

// For each of the `queries` (rows of `length` floats, `length` a multiple of 8), the nearest and
// the second nearest of the `candidates` (rows of the same length, at least two); of candidates
// at the same distance the first is the nearer. The queries are shared among up to `workers`
// threads (1: all on the calling thread); the result is the same for any number.
std::vector<NearestTwo> nearestTwo(std::span<const float> queries,
                                   std::span<const float> candidates, int length,
                                   DescriptorVectors vectors = DescriptorVectors::Widest,
                                   int workers = 1);

}  // namespace skylacer
