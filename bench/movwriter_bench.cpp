// SPDX-License-Identifier: GPL-3.0-or-later
// The movie writer on panoramas of 3020 x 712 and 6040 x 1424 pixels: the four "mountains"
// sample photos side by side, scaled to the size. For each, the output layer prepares the
// movie's source picture (scaled to the movie's size and turned upright, a JPEG), then saveAsQvr
// writes the movie from it: the best wall-clock and processor times of a few rounds. FFmpeg then
// decodes the movie's 24 tiles, and the PSNR of the stacked tiles against the prepared picture
// shows what the speed cost in quality.
//
// Usage: movwriter_bench [--cores N | --options]. The writer compresses on one worker per
// processor it may run on; --cores N keeps the process on the first N processors. --options
// instead encodes the tiles of the 3020 x 712 panorama with FFmpeg's own command under each of
// a list of Cinepak encoder options, and prints its processor time, the PSNR and the bytes.

#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "movwriter/save_as_qvr.h"
#include "output/quicktime_movie.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/command.h"
#include "tests/support/file_contents.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/temp_dir.h"

namespace skylacer {
namespace {

namespace fs = std::filesystem;
using imaging::Bitmap;
using imaging::ImagingStatus;

constexpr ImageSize kPanoramaSizes[] = {{3020, 712}, {6040, 1424}};
constexpr int kRounds = 3;
constexpr int kTiles = 24;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Timing {
  double wall = 1e30;
  double cpu = 1e30;
};

// The panorama as the outputs receive it: blue-green-red rows of the given size.
RgbImage samplePanorama(const test::Picture& photos, ImageSize size) {
  RgbImage source = photos.pixels;
  const auto from = Bitmap::overPixels(source.data(), photos.size.width, photos.size.height,
                                       3 * photos.size.width);
  const auto to = Bitmap::blank(size.width, size.height);
  RgbImage panorama = makeRgbImage(size);
  if (to->drawScaled(*from, 0, 0, size.width, size.height) != ImagingStatus::Ok ||
      to->readPixels(panorama.data(), 3 * size.width) != ImagingStatus::Ok)
    throw std::runtime_error("cannot scale the sample photos");
  return panorama;
}

// PSNR of FFmpeg's decoding of the movie's tiles, stacked top to bottom, against the rows of the
// prepared picture that the tiles show.
double tilePsnr(const fs::path& movie, const fs::path& prepared, const fs::path& scratch) {
  const test::CommandResult decode = test::run(
      "ffmpeg -v error -y -i " + test::quoted(movie) +
      " -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt bgr24 " + test::quoted(scratch));
  if (decode.exitCode != 0) throw std::runtime_error("ffmpeg cannot decode: " + decode.output);
  const std::vector<std::uint8_t> tiles = test::fileBytes(scratch);

  const auto picture = Bitmap::fromFile(prepared.string());
  imaging::LockedRows rows;
  if (picture->lockRows(rows) != ImagingStatus::Ok)
    throw std::runtime_error("cannot decode " + prepared.string());
  const std::size_t rowBytes = std::size_t(rows.width) * 3;
  const int shownRows = rows.height / kTiles * kTiles;
  if (tiles.size() != rowBytes * std::size_t(shownRows))
    throw std::runtime_error("the decoded tiles do not cover the picture");
  double squares = 0;
  for (int y = 0; y < shownRows; ++y) {
    const std::uint8_t* expected = rows.rows + std::ptrdiff_t(y) * rows.stride;
    const std::uint8_t* decoded = tiles.data() + std::size_t(y) * rowBytes;
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const double difference = double(decoded[i]) - double(expected[i]);
      squares += difference * difference;
    }
  }
  const double meanSquare = squares / (double(rowBytes) * shownRows);
  return 10 * std::log10(255.0 * 255.0 / meanSquare);
}

// Runs `work` and lowers `best` to its wall-clock and processor times where they are lower.
template <typename Work>
void keepBest(Timing& best, Work&& work) {
  const auto wall = std::chrono::steady_clock::now();
  const double cpu = cpuSeconds();
  work();
  best.wall = std::min(
      best.wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
  best.cpu = std::min(best.cpu, cpuSeconds() - cpu);
}

// Prepares the movie's source picture of the panorama at `prepared`, timing each round; returns
// its size as saved (turned upright).
ImageSize prepareSource(const test::Picture& photos, ImageSize size, const fs::path& prepared,
                        Timing& timing) {
  const RgbImage pixels = samplePanorama(photos, size);
  const output::PanoramaView panorama{pixels.data(), size, 2 * output::kProgramPi};
  const ImageSize source = output::quickTimeSourceSize(size);
  for (int round = 0; round < kRounds; ++round)
    keepBest(timing, [&] {
      if (output::writeQuickTimeSource(panorama, source, prepared.string()) != ImagingStatus::Ok)
        throw std::runtime_error("cannot prepare the movie's source picture");
    });
  return ImageSize{source.height, source.width};
}

void benchSize(const test::Picture& photos, ImageSize size, const test::TempDir& dir) {
  const fs::path prepared = dir / "upright.jpg";
  const fs::path movie = dir / "pano.mov";
  Timing preparing, writing;
  const ImageSize upright = prepareSource(photos, size, prepared, preparing);
  for (int round = 0; round < kRounds; ++round)
    keepBest(writing, [&] {
      const int status = saveAsQvr(movie.c_str(), prepared.c_str(), (dir / "tile").c_str(), 360,
                                   400, 300, nullptr, 0);
      if (status != 0) throw std::runtime_error("saveAsQvr failed: " + std::to_string(status));
    });
  const double psnr = tilePsnr(movie, prepared, dir / "tiles.bgr");
  std::printf(
      "%5d x %-4d  source %4d x %-4d  prepare %6.3f s  movie %7.3f s wall %7.3f s CPU"
      "  PSNR %6.3f dB  %8ju bytes\n",
      size.width, size.height, upright.width, upright.height, preparing.wall, writing.wall,
      writing.cpu, psnr, std::uintmax_t(fs::file_size(movie)));
}

struct EncoderOptions {
  const char* name;
  const char* arguments;
  int frameQuality;  // the encoder's lambda + 1: 129 is the writer's quality 768
};

constexpr EncoderOptions kOptionSets[] = {
    {"3 strips (the writer's)", "-min_strips 3 -max_strips 3", 129},
    {"1-3 strips searched (the encoder's default)", "", 129},
    {"1-3 strips, strip_number_adaptivity 2", "-strip_number_adaptivity 2", 129},
    {"3 strips, max_extra_cb_iterations 0",
     "-min_strips 3 -max_strips 3 -max_extra_cb_iterations 0", 129},
    {"3 strips, max_extra_cb_iterations 8",
     "-min_strips 3 -max_strips 3 -max_extra_cb_iterations 8", 129},
    {"3 strips, skip_empty_cb", "-min_strips 3 -max_strips 3 -skip_empty_cb 1", 129},
    {"3 strips, quality 512", "-min_strips 3 -max_strips 3", 257},
    {"3 strips, quality 1023", "-min_strips 3 -max_strips 3", 2},
    {"1 strip", "-min_strips 1 -max_strips 1", 129},
    {"2 strips", "-min_strips 2 -max_strips 2", 129},
    {"6 strips (more than old decoders read)", "-min_strips 6 -max_strips 6", 129},
    {"12 strips (more than old decoders read)", "-min_strips 12 -max_strips 12", 129},
};

double childrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The 24 tiles of the prepared picture as FFmpeg's raw red-green-blue frames.
void writeRawTiles(const fs::path& prepared, const fs::path& raw) {
  const auto picture = Bitmap::fromFile(prepared.string());
  imaging::LockedRows rows;
  if (picture->lockRows(rows) != ImagingStatus::Ok)
    throw std::runtime_error("cannot decode " + prepared.string());
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < rows.height / kTiles * kTiles; ++y) {
    const std::uint8_t* bgr = rows.rows + std::ptrdiff_t(y) * rows.stride;
    for (int x = 0; x < rows.width; ++x, bgr += 3) rgb.insert(rgb.end(), {bgr[2], bgr[1], bgr[0]});
  }
  test::writeFile(raw, std::span<const std::uint8_t>(rgb));
}

void benchOptions(const test::Picture& photos, const test::TempDir& dir) {
  const fs::path prepared = dir / "upright.jpg";
  Timing preparing;
  const ImageSize upright = prepareSource(photos, kPanoramaSizes[0], prepared, preparing);
  const fs::path raw = dir / "tiles.rgb";
  writeRawTiles(prepared, raw);
  const fs::path movie = dir / "tiles.mov";
  std::printf("FFmpeg's cinepak encoder, one encoder for the 24 tiles of %d x %d:\n", upright.width,
              upright.height / kTiles);
  for (const EncoderOptions& options : kOptionSets) {
    const double cpu = childrenCpuSeconds();
    const test::CommandResult encoded = test::run(
        "ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -s " + std::to_string(upright.width) + "x" +
        std::to_string(upright.height / kTiles) + " -i " + test::quoted(raw) +
        " -c:v cinepak -g 1 -global_quality " + std::to_string(options.frameQuality) + " " +
        options.arguments + " -f mov " + test::quoted(movie) + " </dev/null");
    const double seconds = childrenCpuSeconds() - cpu;
    if (encoded.exitCode != 0)
      std::printf("  %-44s  fails: %s\n", options.name, encoded.output.c_str());
    else
      std::printf("  %-44s  %7.3f s CPU  PSNR %6.3f dB  %8ju bytes\n", options.name, seconds,
                  tilePsnr(movie, prepared, dir / "tiles.bgr"),
                  std::uintmax_t(fs::file_size(movie)));
  }
}

// Keeps the process on the first `cores` processors it may run on.
bool keepToCores(int cores) {
  cpu_set_t available;
  CPU_ZERO(&available);
  if (cores < 1 || sched_getaffinity(0, sizeof available, &available) != 0) return false;
  cpu_set_t chosen;
  CPU_ZERO(&chosen);
  for (int cpu = 0, kept = 0; cpu < CPU_SETSIZE && kept < cores; ++cpu)
    if (CPU_ISSET(cpu, &available)) {
      CPU_SET(cpu, &chosen);
      ++kept;
    }
  return sched_setaffinity(0, sizeof chosen, &chosen) == 0;
}

}  // namespace
}  // namespace skylacer

int main(int argc, char** argv) {
  using namespace skylacer;
  const bool options = argc == 2 && std::strcmp(argv[1], "--options") == 0;
  if (argc == 3 && std::strcmp(argv[1], "--cores") == 0) {
    if (!keepToCores(std::atoi(argv[2]))) {
      std::fprintf(stderr, "cannot keep to %s cores\n", argv[2]);
      return 2;
    }
  } else if (argc != 1 && !options) {
    std::fprintf(stderr, "usage: %s [--cores N | --options]\n", argv[0]);
    return 2;
  }
  try {
    const test::TempDir dir;
    std::vector<fs::path> files;
    for (int i = 1; i <= 4; ++i)
      files.push_back(fs::path(SKYLACER_SAMPLES_DIR) / "mountains" /
                      ("IMG_000" + std::to_string(i) + ".jpg"));
    const test::Picture photos = test::sideBySide(files);
    if (options) {
      benchOptions(photos, dir);
      return 0;
    }
    std::printf("cores: %s; best of %d rounds\n", argc == 3 ? argv[2] : "all", kRounds);
    for (const ImageSize size : kPanoramaSizes) benchSize(photos, size, dir);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
