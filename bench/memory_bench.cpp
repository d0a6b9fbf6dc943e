// SPDX-License-Identifier: GPL-3.0-or-later
// The memory a stitch really takes against the estimate panorama-cli refuses by: runs
// "panorama-cli stitch" on the sample series, at their size and enlarged 2, 4 and 6 times, and
// prints for each the estimate (from the photos' headers), the child's peak resident memory
// and their ratio. The estimate must stay above the peak: a ratio below 1 is a fault of the
// estimate.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/memory_estimate.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/temp_dir.h"

namespace skylacer {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> seriesPhotos(const std::string& series) {
  std::vector<fs::path> photos;
  for (const auto& entry : fs::directory_iterator(fs::path(SKYLACER_SAMPLES_DIR) / series))
    if (entry.path().extension() == ".jpg") photos.push_back(entry.path());
  std::sort(photos.begin(), photos.end());
  return photos;
}

// The photos enlarged `factor` times into `folder`.
std::vector<fs::path> enlarged(const std::vector<fs::path>& photos, int factor,
                               const fs::path& folder) {
  std::vector<fs::path> copies;
  for (const fs::path& photo : photos) {
    const auto source = imaging::Bitmap::fromFile(photo.string());
    const auto large = imaging::Bitmap::blank(source->width() * factor, source->height() * factor);
    large->drawScaled(*source, 0, 0, large->width(), large->height());
    copies.push_back(folder / photo.filename());
    if (large->saveJpeg(copies.back().string(), 90) != imaging::ImagingStatus::Ok)
      throw std::runtime_error("cannot write " + copies.back().string());
  }
  return copies;
}

// Runs panorama-cli stitch on the photos; the child's peak resident memory in bytes, or 0 when
// the run failed.
std::uint64_t peakOfStitch(const std::vector<fs::path>& photos, const fs::path& out) {
  std::vector<std::string> words = {PANORAMA_CLI, "stitch",         "-o",
                                    out.string(), "--memory-limit", "1T"};
  for (const fs::path& photo : photos) words.push_back(photo.string());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stderr);
    std::freopen("/dev/null", "w", stdout);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
  return std::uint64_t(usage.ru_maxrss) * 1024;
}

}  // namespace
}  // namespace skylacer

int main() {
  using namespace skylacer;
  std::printf("| series | photos | size | estimate MB | peak MB | estimate / peak |\n");
  std::printf("|---|---|---|---|---|---|\n");
  for (const std::string series : {"mountains", "trail"}) {
    for (const int factor : {1, 2, 4, 6}) {
      const test::TempDir dir;
      std::vector<fs::path> photos = seriesPhotos(series);
      if (factor > 1) photos = enlarged(photos, factor, dir.path());
      std::vector<ImageSize> sizes;
      for (const fs::path& photo : photos) {
        const auto bitmap = imaging::Bitmap::fromFile(photo.string());
        sizes.push_back({bitmap->width(), bitmap->height()});
      }
      const std::uint64_t estimate = estimateStitchBytes(sizes);
      const std::uint64_t peak = peakOfStitch(photos, dir / "out.jpg");
      std::printf("| %s | %zu | %d x %d | %.0f | %.0f | %.2f |\n", series.c_str(), photos.size(),
                  sizes[0].width, sizes[0].height, static_cast<double>(estimate) / 1e6,
                  static_cast<double>(peak) / 1e6,
                  peak == 0 ? 0.0 : static_cast<double>(estimate) / static_cast<double>(peak));
    }
  }
  return 0;
}
