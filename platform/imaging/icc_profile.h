// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A colour (ICC) profile as JPEG files carry it: in APP2 segments whose payload starts with
// "ICC_PROFILE\0", then the chunk's number (from 1) and the number of chunks, then its part of
// the profile.

#include <cstdint>
#include <span>
#include <vector>

namespace skylacer::imaging {

inline constexpr std::uint8_t kIccSignature[] = {'I', 'C', 'C', '_', 'P', 'R',
                                                 'O', 'F', 'I', 'L', 'E', 0};

// Gathers the chunks of a profile from the APP2 payloads of one picture, in any order.
class IccChunks {
 public:
  // Takes an APP2 payload; payloads that are no profile chunk are passed over.
  void add(std::span<const std::uint8_t> payload);
  // The whole profile, or nothing (empty) when a chunk is missing, doubled or numbered
  // inconsistently.
  std::vector<std::uint8_t> profile() const;

 private:
  struct Chunk {
    int number = 0;
    int count = 0;
    std::span<const std::uint8_t> data;
  };
  std::vector<Chunk> chunks_;
};

// The APP2 payloads that carry `profile` (at most 255 chunks of up to 65519 bytes); none for an
// empty profile or one too large to carry.
std::vector<std::vector<std::uint8_t>> iccPayloads(std::span<const std::uint8_t> profile);

}  // namespace skylacer::imaging
