#include "viewer/panorama_source.h"

#include <fstream>
#include <limits>

#include "viewer/panorama_block.h"

namespace skylacer::viewer {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > std::numeric_limits<std::size_t>::max() ||
      size > static_cast<std::uintmax_t>(std::numeric_limits<std::streamsize>::max()))
    return std::nullopt;
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (!stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
    return std::nullopt;
  return bytes;
}

std::optional<PanoramaSource> takeAppendedPanorama(std::vector<std::uint8_t>& file) {
  const std::optional<PanoramaBlock> block = findPanoramaBlock(file);
  if (!block) return std::nullopt;
  PanoramaSource source;
  source.fieldOfView = block->fieldOfView;
  file.erase(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(block->pictureOffset));
  source.picture = std::move(file);
  return source;
}

std::optional<DecodedPicture> decodePicture(std::vector<std::uint8_t> encoded) {
  DecodedPicture decoded{imaging::Bitmap::fromMemory(std::move(encoded)), {}};
  imaging::LockedRows locked;
  if (decoded.bitmap->lockRows(locked) != imaging::ImagingStatus::Ok) return std::nullopt;
  decoded.rows = PictureRows{locked.rows, locked.stride, locked.width, locked.height};
  return decoded;
}

}  // namespace skylacer::viewer
