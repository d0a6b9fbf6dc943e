// SPDX-License-Identifier: GPL-3.0-or-later
// The viewer's search for the panorama data block in its own program file. Beyond not crashing:
// a block it reports is the second copy of the magic, followed by the field of view, and its
// picture lies inside the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "viewer/panorama_block.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skylacer::viewer;
  const std::span<const std::uint8_t> file(data, size);
  const auto block = findPanoramaBlock(file);
  if (!block) return 0;
  if (block->pictureOffset < kBlockHeaderSize || block->pictureOffset > size) std::abort();
  const std::size_t magicAt = block->pictureOffset - kBlockHeaderSize;
  if (!std::equal(kPanoramaMagic.begin(), kPanoramaMagic.end(), file.begin() + magicAt))
    std::abort();
  const auto copies =
      std::count_if(file.begin(), file.begin() + magicAt + 1, [&](const auto& byte) {
        const std::size_t at = static_cast<std::size_t>(&byte - file.data());
        return at + kPanoramaMagicSize <= size &&
               std::equal(kPanoramaMagic.begin(), kPanoramaMagic.end(), file.begin() + at);
      });
  if (copies != 2) std::abort();
  return 0;
}
