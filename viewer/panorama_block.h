// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panorama data block: a copy of the viewer program followed by this block is a
// self-contained panorama program. Offsets from the block's first byte:
//
//   0   24 bytes   magic: the characters "Oskelvind Panorama Data" and one zero byte
//   24   8 bytes   horizontal field of view of the panorama in radians, IEEE 754 double,
//                  little-endian; a full circle is 2π
//   32   the rest   the panorama as a JPEG file, running to the end of the file
//
// There is no length field and no trailer. The block is found by searching for the magic: the
// viewer program holds the magic exactly once (kPanoramaMagic), so in an exported program the
// block is the second occurrence. No other copy of these 24 bytes may exist in the program.
// Plain C++, no Qt: the viewer reads the block and the export writes it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace skylacer::viewer {

inline constexpr std::size_t kPanoramaMagicSize = 24;
inline constexpr std::size_t kFieldOfViewSize = 8;
inline constexpr std::size_t kBlockHeaderSize = kPanoramaMagicSize + kFieldOfViewSize;

// The magic, defined in one translation unit only.
extern const std::array<std::uint8_t, kPanoramaMagicSize> kPanoramaMagic;

// The block's first 32 bytes: the magic and the field of view (radians) in little-endian order,
// whatever the machine's byte order. The JPEG follows them.
std::array<std::uint8_t, kBlockHeaderSize> panoramaBlockHeader(double fieldOfView);

struct PanoramaBlock {
  double fieldOfView = 0;         // radians, as stored (not checked)
  std::size_t pictureOffset = 0;  // from the start of the file: the picture's first byte
};

// The block of a program file held in memory: the second occurrence of the magic, scanning one
// byte at a time from offset 0; its first occurrence is the program's own constant. No block
// when the magic occurs fewer than twice, or when fewer than 8 bytes follow the second
// occurrence (the field of view would lie past the end). The picture is every byte from
// pictureOffset to the end, possibly none.
std::optional<PanoramaBlock> findPanoramaBlock(std::span<const std::uint8_t> file);

}  // namespace skylacer::viewer
