// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the viewer's panorama comes from: the block appended to its own program file, or a
// JPEG file the user chooses or names on the command line (decoded by JpegRows).

#include <cstdint>
#include <filesystem>
#include <numbers>
#include <optional>
#include <vector>

namespace skylacer::viewer {

// Field of view of a picture that comes without one (a file the user chose): half a circle.
inline constexpr double kDefaultFieldOfView = std::numbers::pi;

struct PanoramaSource {
  std::vector<std::uint8_t> picture;         // the encoded picture (JPEG)
  double fieldOfView = kDefaultFieldOfView;  // radians
};

// Every byte of a regular file (symbolic links followed); empty when there is no such file or
// it cannot be read. Throws std::bad_alloc when the file does not fit in memory.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path);

// The panorama of a program file's bytes (the block after the second occurrence of the magic):
// the picture bytes and the block's field of view; `file` is emptied and its memory freed. Empty
// when the file has no block; `file` is then left as it was.
std::optional<PanoramaSource> takeAppendedPanorama(std::vector<std::uint8_t>& file);

}  // namespace skylacer::viewer
