// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/panorama_block.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace skylacer::viewer {

const std::array<std::uint8_t, kPanoramaMagicSize> kPanoramaMagic = {
    'O', 's', 'k', 'e', 'l', 'v', 'i', 'n', 'd', ' ', 'P', 'a',
    'n', 'o', 'r', 'a', 'm', 'a', ' ', 'D', 'a', 't', 'a', 0};

std::array<std::uint8_t, kBlockHeaderSize> panoramaBlockHeader(double fieldOfView) {
  std::array<std::uint8_t, kBlockHeaderSize> header{};
  std::copy(kPanoramaMagic.begin(), kPanoramaMagic.end(), header.begin());
  const auto bits = std::bit_cast<std::uint64_t>(fieldOfView);
  for (std::size_t i = 0; i < kFieldOfViewSize; ++i)
    header[kPanoramaMagicSize + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  return header;
}

std::optional<PanoramaBlock> findPanoramaBlock(std::span<const std::uint8_t> file) {
  const std::boyer_moore_horspool_searcher magic(kPanoramaMagic.begin(), kPanoramaMagic.end());
  const auto first = std::search(file.begin(), file.end(), magic);
  if (first == file.end()) return std::nullopt;
  const auto second = std::search(first + 1, file.end(), magic);
  if (second == file.end()) return std::nullopt;
  const auto blockOffset = static_cast<std::size_t>(second - file.begin());
  if (file.size() - blockOffset < kBlockHeaderSize) return std::nullopt;

  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < kFieldOfViewSize; ++i)
    bits |= std::uint64_t{file[blockOffset + kPanoramaMagicSize + i]} << (8 * i);
  return PanoramaBlock{std::bit_cast<double>(bits), blockOffset + kBlockHeaderSize};
}

}  // namespace skylacer::viewer
