// SPDX-License-Identifier: GPL-3.0-or-later
// Kernels of the alignment on real photos: two neighbours of the bundled "mountains" series
// reduced to a 1000 x 750 working size, and a 2^20-pixel plane for the pyramid.

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

#include "engine/buffers.h"
#include "engine/camera.h"
#include "engine/coarse_search.h"
#include "engine/pair_refinement.h"
#include "engine/pyramid.h"
#include "platform/imaging/bitmap.h"

namespace skylacer {
namespace {

LumaImage samplePlane(const char* file, ImageSize size) {
  const std::string path = std::string(SKYLACER_SAMPLES_DIR) + "/mountains/" + file;
  auto bitmap = imaging::Bitmap::fromFile(path);
  if (bitmap->lastStatus() != imaging::ImagingStatus::Ok)
    throw std::runtime_error("cannot open " + path);
  return makeLuma(imageToRgb(*bitmap, size, true), size);
}

constexpr ImageSize kWorkingSize{1000, 750};
// The largest 4:3 plane within the working plane's budget of 2^20 pixels.
constexpr ImageSize kLargestPlane{1182, 886};

struct SamplePair {
  LumaImage previous;
  LumaImage current;
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  LumaPyramid previousPyramid;
  LumaPyramid currentPyramid;

  SamplePair()
      : previous(samplePlane("IMG_0001.jpg", kWorkingSize)),
        current(samplePlane("IMG_0002.jpg", kWorkingSize)),
        previousPyramid(buildPyramid(previous, kWorkingSize, params)),
        currentPyramid(buildPyramid(current, kWorkingSize, params)) {}
};

void BM_CoarseOverlapSearch(benchmark::State& state) {
  const SamplePair pair;
  const int level = pair.previousPyramid.coarsestLevel();
  const ImageSize size = pair.previousPyramid.size(level);
  const auto minArea = overlapMinArea(size, pair.params);
  for (auto _ : state) {
    benchmark::DoNotOptimize(coarseOverlapSearch(pair.previousPyramid.level(level),
                                                 pair.currentPyramid.level(level), size, minArea,
                                                 pair.params));
  }
  state.SetLabel(std::to_string(size.width) + "x" + std::to_string(size.height));
}
BENCHMARK(BM_CoarseOverlapSearch)->Unit(benchmark::kMillisecond);

void BM_BuildPyramid(benchmark::State& state) {
  const LumaImage plane = samplePlane("IMG_0001.jpg", kLargestPlane);
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  for (auto _ : state) benchmark::DoNotOptimize(buildPyramid(plane, kLargestPlane, params));
  state.SetLabel(std::to_string(params.coarsestLevel + 1) + " levels");
}
BENCHMARK(BM_BuildPyramid)->Unit(benchmark::kMillisecond);

void BM_HighPassFilter(benchmark::State& state) {
  const LumaImage plane = samplePlane("IMG_0001.jpg", kLargestPlane);
  LumaImage work = plane;
  for (auto _ : state) {
    highPassFilter(work.data(), kLargestPlane);
    benchmark::DoNotOptimize(work.data());
  }
}
BENCHMARK(BM_HighPassFilter)->Unit(benchmark::kMillisecond);

void BM_GaussNewtonStep(benchmark::State& state) {
  const SamplePair pair;
  NullTrace trace;
  // The pair as the alignment leaves it, then one more step on the level it refined on.
  CameraRecord record;
  record.focal = initialFocalLength(pair.params);
  alignPair(pair.previousPyramid, pair.currentPyramid, record, pair.params, nullptr, trace);
  const CoarseOffset offset =
      searchCoarseOffset(pair.previousPyramid, pair.currentPyramid, pair.params);
  const int level = refinementLevel(pair.previousPyramid, offset.dx, pair.params);
  const ImageSize size = pair.previousPyramid.size(level);
  const GradientField gradient = gradientField(pair.previousPyramid.level(level), size);
  for (auto _ : state) {
    CameraRecord step = record;
    gaussNewtonStep(pair.previousPyramid.level(level), pair.currentPyramid.level(level), gradient,
                    size, step, trace);
    benchmark::DoNotOptimize(step);
  }
  state.SetLabel("level " + std::to_string(level) + ", " + std::to_string(size.width) + "x" +
                 std::to_string(size.height));
}
BENCHMARK(BM_GaussNewtonStep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skylacer

BENCHMARK_MAIN();
