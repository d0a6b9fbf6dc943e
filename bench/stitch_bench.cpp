// SPDX-License-Identifier: GPL-3.0-or-later
// The whole stitch against its floor: six 4000 x 3000 photos synthesised from a sample photo
// (turning right, 30 % overlap, with sensor-like noise, saved as JPEG files).
//   (a) floor: every photo decoded once at full size, plus the panorama encoded once at
//       quality 75, on one core;
//   (b) stitchPanorama on the photo files with N workers (--cores N, default 1) plus the
//       panorama encoded as panorama-cli's -o encodes it (in stripes on N threads), on the
//       first N cores.
// Prints both times (CPU and wall clock, the best of a few rounds in which (a) and (b) take
// turns), the peak resident memory and the ratio b / a. Targets: b / a <= 2.0 on one core,
// <= 1.2 (wall) on two. Then panorama-cli stitch of the same photos in a child process: its
// peak resident memory against the limit (bench/child_stitch.h).
// With --circle N instead: N photos of 12 MP in a full circle, stitched by panorama-cli in a
// child process, with its peak memory, progress and Ctrl-C in every phase.

#include <benchmark/benchmark.h>
#include <sched.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/child_stitch.h"
#include "engine/stitch.h"
#include "output/image.h"
#include "platform/imaging/bitmap.h"
#include "platform/shell/large_buffers.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"
#include "tests/support/temp_dir.h"

namespace skylacer {
namespace {

constexpr ImageSize kPhotoSize{4000, 3000};
constexpr int kPhotos = 6;
constexpr int kRounds = 5;

struct Seconds {
  double cpu = 0;
  double wall = 0;
};

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <typename Work>
Seconds timed(Work&& work) {
  const double cpu0 = cpuSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  work();
  return {cpuSeconds() - cpu0,
          std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count()};
}

Seconds best(Seconds a, Seconds b) {
  return {std::min(a.cpu, b.cpu), std::min(a.wall, b.wall)};
}

template <typename Work>
Seconds bestOf(Work&& work) {
  Seconds fastest{1e30, 1e30};
  for (int round = 0; round < kRounds; ++round) fastest = best(fastest, timed(work));
  return fastest;
}

// Photo files of a turning series, rendered from the first "mountains" sample.
std::vector<std::string> writeSeries(const test::TempDir& dir) {
  const test::PhotoSeries series =
      test::turningSeries(kPhotoSize, 2.0, 0.30, std::vector<double>(kPhotos, 0.0));
  const test::Picture picture =
      test::loadPicture(std::string(SKYLACER_SAMPLES_DIR) + "/mountains/IMG_0001.jpg");
  const test::CylinderPicture cylinder = test::fitCylinder(picture.pixels, picture.size, series);
  std::vector<std::string> files;
  std::uint32_t state = 12345;
  for (int i = 0; i < kPhotos; ++i) {
    RgbImage photo = test::renderPhoto(cylinder, series, static_cast<std::size_t>(i));
    // Sensor-like noise: the detail a real photo gives its JPEG coder.
    for (auto& byte : photo) {
      state = state * 1664525u + 1013904223u;
      const int noisy = byte + static_cast<int>(state >> 28) - 8;
      byte = static_cast<std::uint8_t>(noisy < 1 ? 1 : noisy > 255 ? 255 : noisy);
    }
    auto bitmap = imaging::Bitmap::overPixels(photo.data(), kPhotoSize.width, kPhotoSize.height,
                                              3 * kPhotoSize.width);
    files.push_back((dir / ("photo" + std::to_string(i) + ".jpg")).string());
    if (bitmap->saveJpeg(files.back(), 90) != imaging::ImagingStatus::Ok)
      throw std::runtime_error("cannot write " + files.back());
    std::printf("%s: %.1f MB\n", files.back().c_str(),
                static_cast<double>(std::filesystem::file_size(files.back())) / 1e6);
  }
  return files;
}

std::vector<std::unique_ptr<imaging::Bitmap>> openPhotos(const std::vector<std::string>& files) {
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  for (const auto& file : files) bitmaps.push_back(imaging::Bitmap::fromFile(file));
  return bitmaps;
}

// The floor's encoding: libjpeg-turbo's own, whole, on one core.
void encode(ComposedPanorama& panorama, const std::string& path) {
  auto bitmap =
      imaging::Bitmap::overPixels(panorama.pixels.data() + panorama.first, panorama.size.width,
                                  panorama.size.height, static_cast<int>(panorama.stride));
  if (bitmap->saveJpeg(path, imaging::kDefaultJpegQuality) != imaging::ImagingStatus::Ok)
    throw std::runtime_error("cannot encode the panorama");
}

// panorama-cli's encoding of its -o picture: in stripes on `workers` threads.
void encodeAsTheProgramDoes(ComposedPanorama& panorama, const std::string& path, int workers) {
  std::vector<std::uint8_t> bytes;
  if (output::encodeJpeg(panorama.picture(), panorama.size, static_cast<int>(panorama.stride),
                         panorama.size, imaging::kDefaultJpegQuality, bytes, nullptr, nullptr,
                         workers) != imaging::ImagingStatus::Ok)
    throw std::runtime_error("cannot encode the panorama");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// The time (wall clock and the process's CPU) at which the run showed each text.
struct Moment {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  double cpu = cpuSeconds();
};

class PhaseClock final : public IProgress {
 public:
  int PushRange(double, double) override { return 0; }
  void PopRange() override {}
  bool Report(double, const char* text) override {
    if (text != nullptr) marks.emplace_back(text, Moment{});
    return false;
  }
  std::vector<std::pair<std::string, Moment>> marks;
};

ComposedPanorama stitch(const std::vector<std::string>& files, int workers,
                        IProgress* progress = nullptr) {
  auto bitmaps = openPhotos(files);
  std::vector<imaging::Bitmap*> photos;
  for (auto& bitmap : bitmaps) photos.push_back(bitmap.get());
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  NullTrace trace;
  auto result = stitchPanorama(photos, params, progress, trace, AlignmentCheck::Refuse, workers);
  if (!result) throw std::runtime_error("the stitch gave no panorama");
  return std::move(result->panorama);
}

// FNV-1a over the picture's bytes, row by row: equal figures before and after a change of the
// stitch's speed show that its result stayed the same.
std::uint64_t checksum(const ComposedPanorama& panorama) {
  std::uint64_t hash = 14695981039346656037ull;
  const auto rowBytes = static_cast<std::size_t>(3 * panorama.size.width);
  for (int r = 0; r < panorama.size.height; ++r) {
    const std::uint8_t* row = panorama.picture() + panorama.stride * r;
    for (std::size_t i = 0; i < rowBytes; ++i) hash = (hash ^ row[i]) * 1099511628211ull;
  }
  return hash;
}

long peakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The process runs on cores 0..count-1.
void useCores(int count) {
  cpu_set_t cores;
  CPU_ZERO(&cores);
  for (int core = 0; core < count; ++core) CPU_SET(core, &cores);
  if (sched_setaffinity(0, sizeof cores, &cores) != 0) std::perror("sched_setaffinity");
}

}  // namespace
}  // namespace skylacer

int main(int argc, char** argv) {
  using namespace skylacer;
  // --circle N: the peak memory, progress and cancel of a full circle of N photos instead.
  if (argc == 3 && std::string(argv[1]) == "--circle")
    return bench::runCircleBench(std::atoi(argv[2]));
  int cores = 1;
  if (argc == 3 && std::string(argv[1]) == "--cores") cores = std::atoi(argv[2]);
  if (argc != 1 && !(argc == 3 && cores >= 1)) {
    std::fprintf(stderr, "usage: %s [--cores N | --circle N]\n", argv[0]);
    return 2;
  }
  // The C library's buffers as panorama-cli sets them.
  shell::returnLargeBuffersWhenFreed();
  // The floor on one core: the stitch on N is measured against the work it has to do at least.
  useCores(1);

  const test::TempDir dir;
  const std::vector<std::string> files = writeSeries(dir);
  const std::string output = (dir / "panorama.jpg").string();
  useCores(cores);
  PhaseClock phases;
  const Moment start;
  ComposedPanorama panorama = stitch(files, cores, &phases);
  const Moment end;
  // The composition starts with the last text shown.
  const Moment composing = phases.marks.back().second;
  auto phase = [](const Moment& from, const Moment& to) {
    return Seconds{to.cpu - from.cpu, std::chrono::duration<double>(to.wall - from.wall).count()};
  };
  const Seconds before = phase(start, composing);
  const Seconds composition = phase(composing, end);
  std::printf(
      "first stitch: loading and aligning %.3f s wall (%.3f s CPU), composing %.3f s wall "
      "(%.3f s CPU)\n",
      before.wall, before.cpu, composition.wall, composition.cpu);
  std::printf("workers: %d; photos: %d x %d x %d, panorama %d x %d, checksum %016llx\n", cores,
              kPhotos, kPhotoSize.width, kPhotoSize.height, panorama.size.width,
              panorama.size.height, static_cast<unsigned long long>(checksum(panorama)));

  // The encoding alone: libjpeg-turbo's whole on one core, and panorama-cli's stripes on N.
  useCores(1);
  const Seconds wholeEncoding = bestOf([&] { encode(panorama, output); });
  useCores(cores);
  const Seconds stripedEncoding = bestOf([&] { encodeAsTheProgramDoes(panorama, output, cores); });
  const long floorPeak = peakResidentKiB();

  // The floor and the stitch take turns, round by round: the speed of a shared host drifts by
  // 10-20 % within a minute, which their ratio would carry if each were measured on its own.
  RgbImage decoded = makeRgbImage(kPhotoSize);
  Seconds floor{1e30, 1e30};
  Seconds full{1e30, 1e30};
  for (int round = 0; round < kRounds; ++round) {
    useCores(1);
    floor = best(floor, timed([&] {
                   for (auto& bitmap : openPhotos(files)) {
                     bitmap->readPixels(decoded.data(), 3 * kPhotoSize.width);
                     benchmark::DoNotOptimize(decoded.data());
                   }
                   encode(panorama, output);
                 }));
    useCores(cores);
    full = best(full, timed([&] {
                  ComposedPanorama stitched = stitch(files, cores);
                  encodeAsTheProgramDoes(stitched, output, cores);
                }));
  }
  std::printf("(a) floor, decode + encode:  %.3f s CPU, %.3f s wall\n", floor.cpu, floor.wall);
  std::printf("(b) stitch + encode, %d core%s: %.3f s CPU, %.3f s wall\n", cores,
              cores == 1 ? " " : "s", full.cpu, full.wall);
  std::printf("(c) encoding alone: whole on 1 core %.3f s wall, in stripes on %d %.3f s wall\n",
              wholeEncoding.wall, cores, stripedEncoding.wall);
  std::printf(
      "peak resident memory: %.0f MiB (%.0f MiB before the rounds, the floor's panorama held)\n",
      peakResidentKiB() / 1024.0, floorPeak / 1024.0);
  std::printf("ratio b / a: %.2f CPU, %.2f wall (target <= %s)\n", full.cpu / floor.cpu,
              full.wall / floor.wall, cores == 1 ? "2.0" : "1.2 wall");
  std::printf("\npanorama-cli stitch of the same photos:\n");
  bench::reportChildStitch(files, false, output, false);
  return 0;
}
