// SPDX-License-Identifier: GPL-3.0-or-later
// The movie writer on a 4800 x 960 panorama (a sample photo enlarged, turned upright and saved
// as the prepared JPEG in a temporary folder): the whole saveAsQvr call, and one Cinepak tile
// of 960 x 200 on its own. Prints the share of the whole call that the 24 tile compressions
// would take on one core, to show where the time goes.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_support.h"
#include "movwriter/save_as_qvr.h"
#include "movwriter/toolbox/cinepak_compressor.h"
#include "movwriter/toolbox/graphics_importer.h"
#include "platform/imaging/bitmap.h"

namespace {

using skylacer::imaging::Bitmap;
using skylacer::imaging::ImagingStatus;
namespace toolbox = skylacer::toolbox;

constexpr int kPanoramaWidth = 4800;
constexpr int kPanoramaHeight = 960;
constexpr int kTileHeight = kPanoramaWidth / 24;
constexpr const char* kWholeMovie = "movie/4800x960";
constexpr const char* kOneTile = "cinepak/tile_960x200";

bool synthesiseUprightPanorama(const std::filesystem::path& path) {
  auto sample = Bitmap::fromFile(SKYLACER_SAMPLES_DIR "/mountains/IMG_0001.jpg");
  auto panorama = Bitmap::blank(kPanoramaWidth, kPanoramaHeight);
  return panorama->drawScaled(*sample, 0, 0, kPanoramaWidth, kPanoramaHeight) ==
             ImagingStatus::Ok &&
         panorama->rotateFlip(3) == ImagingStatus::Ok &&
         panorama->saveJpeg(path.string()) == ImagingStatus::Ok;
}

void wholeMovie(benchmark::State& state, const std::filesystem::path& folder) {
  const std::string movie = (folder / "pano.mov").string();
  const std::string image = (folder / "upright.jpg").string();
  const std::string tile = (folder / "tile").string();
  for (auto _ : state)
    if (saveAsQvr(movie.c_str(), image.c_str(), tile.c_str(), 360, 400, 300, nullptr, 0) != 0)
      state.SkipWithError("saveAsQvr failed");
}

void oneTile(benchmark::State& state, const std::filesystem::path& folder) {
  std::string error;
  const auto codecs = toolbox::CodecLibrary::load(toolbox::CodecLibrary::builtSoname(), error);
  if (!codecs) {
    state.SkipWithError(error.c_str());
    return;
  }
  auto importer = toolbox::GraphicsImporter::forFile((folder / "upright.jpg").string());
  toolbox::Offscreen picture(kPanoramaHeight, kTileHeight);
  importer.draw(picture, 0, -5 * kTileHeight);
  toolbox::CinepakCompressor compressor(*codecs, kPanoramaHeight, kTileHeight,
                                        toolbox::kCodecHighQuality);
  for (auto _ : state) benchmark::DoNotOptimize(compressor.compress(picture));
}


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const skylacer::bench::ScratchFolder scratch("movbench");
  if (scratch.path().empty()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }
  const std::filesystem::path& folder = scratch.path();
  int result = 0;
  if (!synthesiseUprightPanorama(folder / "upright.jpg")) {
    std::fprintf(stderr, "cannot synthesise the panorama\n");
    result = 1;
  } else {
    benchmark::RegisterBenchmark(kWholeMovie, wholeMovie, folder)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    benchmark::RegisterBenchmark(kOneTile, oneTile, folder)->Unit(benchmark::kMillisecond);
    skylacer::bench::TimingReporter reporter(skylacer::bench::TimingReporter::Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double whole = reporter.time(kWholeMovie);
    const double tile = reporter.time(kOneTile);
    if (whole > 0.0 && tile > 0.0)
      std::printf("24 tiles on one core / whole movie = %.2f\n", 24 * tile / whole);
  }
  return result;
}
