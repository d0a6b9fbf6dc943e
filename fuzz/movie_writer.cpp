// SPDX-License-Identifier: GPL-3.0-or-later
// The movie writer in this process over small pictures of any size, fields of view and viewer
// windows taken from the input, the rest of the input painting the picture. Beyond not
// crashing: a call that succeeds on a picture taller than wide leaves exactly the movie, which
// our own reader opens with its three tracks; any other call leaves no file but the picture.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "movwriter/save_as_qvr.h"
#include "movwriter/toolbox/movie_file.h"
#include "platform/imaging/bitmap.h"

namespace {

namespace fs = std::filesystem;

// Up to 48 x 400 pixels: tiles up to 16 rows tall, a few milliseconds a movie.
constexpr int kMostWidth = 48;
constexpr int kMostHeight = 400;
constexpr std::size_t kHeaderBytes = 11;

// The folder every input's files go to, removed when the fuzzing run ends.
struct ScratchFolder {
  fs::path path;
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

const fs::path& scratchFolder() {
  static const ScratchFolder folder{[] {
    std::string pattern = (fs::temp_directory_path() / "movie_writer_fuzz.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return fs::path(pattern);
  }()};
  return folder.path;
}

std::int32_t int32At(const std::uint8_t* data) {
  std::uint32_t value = 0;
  std::memcpy(&value, data, sizeof value);
  return static_cast<std::int32_t>(value);
}

int silent(int, intptr_t) {
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using skylacer::imaging::Bitmap;
  if (size < kHeaderBytes) return 0;
  const int width = 1 + data[0] % kMostWidth;
  const int height = 1 + (data[1] | data[2] << 8) % kMostHeight;
  const int hfov = int32At(data + 3);
  const int viewWidth = static_cast<std::int16_t>(data[7] | data[8] << 8);
  const int viewHeight = static_cast<std::int16_t>(data[9] | data[10] << 8);

  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
  const std::size_t paint = size - kHeaderBytes;
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = paint == 0 ? 0 : data[kHeaderBytes + i % paint];
  const fs::path& folder = scratchFolder();
  const fs::path picture = folder / "upright.jpg";
  const fs::path movie = folder / "pano.mov";
  const fs::path tile = folder / "tile";
  if (Bitmap::overPixels(pixels.data(), width, height, width * 3)->saveJpeg(picture.string(), 90) !=
      skylacer::imaging::ImagingStatus::Ok)
    std::abort();

  const int status = saveAsQvr(movie.c_str(), picture.c_str(), tile.c_str(), hfov, viewWidth,
                               viewHeight, silent, 0);
  const bool written = status == 0 && height >= width;
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++files;
  if (files != (written ? 2u : 1u) || fs::exists(movie) != written) std::abort();
  if (written) {
    const auto read = skylacer::toolbox::MovieFile::open(movie);
    if (read.movie().tracks().size() != 3) std::abort();
    fs::remove(movie);
  }
  fs::remove(picture);
  return 0;
}
