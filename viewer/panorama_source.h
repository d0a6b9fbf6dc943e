#pragma once

// Where the viewer's panorama comes from: the block appended to its own program file, or a
// JPEG file the user chooses, decoded through the imaging layer.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "viewer/pan_viewer.h"

namespace skylacer::viewer {

// Field of view of a picture that comes without one (a file the user chose): half a circle.
inline constexpr double kDefaultFieldOfView = std::numbers::pi;

struct PanoramaSource {
  std::vector<std::uint8_t> picture;  // the encoded picture (JPEG)
  double fieldOfView = kDefaultFieldOfView;  // radians
};

// Every byte of a regular file (symbolic links followed); empty when there is no such file or
// it cannot be read. Throws std::bad_alloc when the file does not fit in memory.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path);

// The panorama of a program file's bytes (the block after the second occurrence of the magic):
// the picture bytes, moved out of `file`, and the block's field of view. Empty when the file
// has no block; `file` is then left as it was.
std::optional<PanoramaSource> takeAppendedPanorama(std::vector<std::uint8_t>& file);

// A decoded picture with its rows locked for the panorama model; the rows stay valid while
// the bitmap lives.
struct DecodedPicture {
  std::unique_ptr<imaging::Bitmap> bitmap;
  PictureRows rows;
};

// Decodes an encoded picture held in memory. Empty when it cannot be decoded completely.
std::optional<DecodedPicture> decodePicture(std::vector<std::uint8_t> encoded);

}  // namespace skylacer::viewer
