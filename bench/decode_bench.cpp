// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding a 4000 x 3000 photo at full size, reduced to 1000 x 750 by DCT scaling, and at full
// size followed by the area reduction to 1000 x 750. Prints how many times faster the reduced
// decode is than the full decode plus reduction. The decode at 1/8 (500 x 375) shows the floor
// that every reduced decode keeps: reading the entropy-coded data of the whole picture. The
// reduced decode on two threads at once (each its own bitmap of the file, as the stitch's loading
// reads two photos on two cores) prints the clock time per decode of both together: half the
// single decode's when two cores share the work without hindering each other.
//
// The photo is synthesised at start: a sample photo enlarged through the imaging layer and
// saved at quality 90 into a temporary folder, which is removed at the end.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/imaging/bitmap.h"

namespace {

using skylacer::imaging::Bitmap;
using skylacer::imaging::ImagingStatus;

constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kReducedWidth = 1000;
constexpr int kReducedHeight = 750;

constexpr const char* kFullDecode = "decode/full";
constexpr const char* kReducedDecode = "decode/reduced_1000x750";
constexpr const char* kReducedDecodeTwoAtOnce = "decode/reduced_1000x750_two_at_once";
constexpr const char* kEighthDecode = "decode/reduced_500x375";
constexpr const char* kFullDecodeThenReduction = "decode/full_then_area_1000x750";

bool synthesisePhoto(const std::filesystem::path& path) {
  auto sample = Bitmap::fromFile(SKYLACER_SAMPLES_DIR "/mountains/IMG_0001.jpg");
  auto photo = Bitmap::blank(kPhotoWidth, kPhotoHeight);
  return photo->drawScaled(*sample, 0, 0, kPhotoWidth, kPhotoHeight) == ImagingStatus::Ok &&
         photo->saveJpeg(path.string(), 90) == ImagingStatus::Ok;
}

void decodeFull(benchmark::State& state, const std::string& path) {
  std::vector<std::uint8_t> pixels(std::size_t{3} * kPhotoWidth * kPhotoHeight);
  for (auto _ : state) {
    auto photo = Bitmap::fromFile(path);
    if (photo->readPixels(pixels.data(), 3 * kPhotoWidth) != ImagingStatus::Ok)
      state.SkipWithError("full decode failed");
    benchmark::DoNotOptimize(pixels.data());
  }
}

void decodeReduced(benchmark::State& state, const std::string& path, int width, int height) {
  std::vector<std::uint8_t> pixels(std::size_t{3} * static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(height));
  for (auto _ : state) {
    auto photo = Bitmap::fromFile(path);
    if (photo->readScaled(pixels.data(), width, height, 3 * width) != ImagingStatus::Ok)
      state.SkipWithError("reduced decode failed");
    benchmark::DoNotOptimize(pixels.data());
  }
}

void decodeFullThenReduce(benchmark::State& state, const std::string& path) {
  std::vector<std::uint8_t> full(std::size_t{3} * kPhotoWidth * kPhotoHeight);
  std::vector<std::uint8_t> reduced(std::size_t{3} * kReducedWidth * kReducedHeight);
  for (auto _ : state) {
    auto photo = Bitmap::fromFile(path);
    auto decoded = Bitmap::overPixels(full.data(), kPhotoWidth, kPhotoHeight, 3 * kPhotoWidth);
    if (photo->readPixels(full.data(), 3 * kPhotoWidth) != ImagingStatus::Ok ||
        decoded->readScaled(reduced.data(), kReducedWidth, kReducedHeight, 3 * kReducedWidth) !=
            ImagingStatus::Ok)
      state.SkipWithError("full decode and reduction failed");
    benchmark::DoNotOptimize(reduced.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const skylacer::bench::ScratchFolder scratch("decbench");
  if (scratch.path().empty()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }
  const std::filesystem::path& folder = scratch.path();
  const std::string path = (folder / "photo.jpg").string();
  int result = 0;
  if (!synthesisePhoto(path)) {
    std::fprintf(stderr, "cannot synthesise the %dx%d photo\n", kPhotoWidth, kPhotoHeight);
    result = 1;
  } else {
    benchmark::RegisterBenchmark(kFullDecode, decodeFull, path)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(kReducedDecode, decodeReduced, path, kReducedWidth, kReducedHeight)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(kReducedDecodeTwoAtOnce, decodeReduced, path, kReducedWidth,
                                 kReducedHeight)
        ->Threads(2)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(kEighthDecode, decodeReduced, path, kPhotoWidth / 8,
                                 kPhotoHeight / 8)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(kFullDecodeThenReduction, decodeFullThenReduce, path)
        ->Unit(benchmark::kMillisecond);
    skylacer::bench::TimingReporter reporter(skylacer::bench::TimingReporter::Clock::Processor);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double reduced = reporter.time(kReducedDecode);
    const double fullThenReduced = reporter.time(kFullDecodeThenReduction);
    if (reduced > 0.0 && fullThenReduced > 0.0)
      std::printf(
          "(full decode + area reduction) / reduced decode = %.2f in processor time "
          "(target: at least 3)\n",
          fullThenReduced / reduced);
  }
  return result;
}
