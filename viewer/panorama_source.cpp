// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/panorama_source.h"

#include <cstdio>
#include <limits>
#include <memory>

#include "viewer/panorama_block.h"

namespace skylacer::viewer {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > std::numeric_limits<std::size_t>::max()) return std::nullopt;
  // C streams, not C++ ones: the program links the C++ library statically, and iostreams
  // would bring its whole locale machinery along.
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return std::nullopt;
  return bytes;
}

std::optional<PanoramaSource> takeAppendedPanorama(std::vector<std::uint8_t>& file) {
  const std::optional<PanoramaBlock> block = findPanoramaBlock(file);
  if (!block) return std::nullopt;
  PanoramaSource source;
  source.fieldOfView = block->fieldOfView;
  // A copy of just the picture, and the program's bytes let go: they would stay held (as the
  // vector's capacity) while the picture decodes and its textures are made.
  source.picture.assign(file.begin() + static_cast<std::ptrdiff_t>(block->pictureOffset),
                        file.end());
  std::vector<std::uint8_t>().swap(file);
  return source;
}

}  // namespace skylacer::viewer
