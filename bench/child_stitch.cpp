// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/child_stitch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/buffers.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"

namespace skylacer::bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMegabyte = 1e6;
constexpr std::uint64_t kLimitSlack = std::uint64_t{64} << 20;
constexpr int kFullSizeCopies = 3;

double seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

struct ChildRun {
  int exitStatus = -1;
  std::uint64_t peakBytes = 0;
  double wall = 0;
  double longestGap = 0;        // between two progress lines, seconds
  std::string afterLongestGap;  // the line that ended it
  double cancelToExit = -1;  // from the Ctrl-C to the child's exit; -1 when none was sent
  std::string err;
};

// The percentage a progress line starts with ("%3d%% text"), -1 for another line.
int linePercent(const std::string& line) {
  int percent = -1;
  return std::sscanf(line.c_str(), "%d%%", &percent) == 1 ? percent : -1;
}

// Runs panorama-cli with `args`; `cancelAt`, when given, is asked with every line of standard
// error and sends Ctrl-C the first time it says yes.
ChildRun runPanoramaCli(const std::vector<std::string>& args,
                        const std::function<bool(const std::string&)>& cancelAt = {}) {
  // SKYLACER_BENCH_CLI names another build's panorama-cli, for the figures before a change.
  const char* other = std::getenv("SKYLACER_BENCH_CLI");
  std::vector<std::string> words = {other != nullptr ? other : PANORAMA_CLI};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  int errPipe[2];
  if (::pipe(errPipe) != 0) throw std::runtime_error("pipe");
  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(errPipe[1], STDERR_FILENO);
    ::close(errPipe[0]);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(errPipe[1]);
  ChildRun run;
  auto lastLine = start;
  Clock::time_point cancelled;
  bool cancelSent = false;
  std::string pending;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(errPipe[0], buffer, sizeof buffer);
    if (got <= 0) break;
    const auto now = Clock::now();
    pending.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      run.err += line + '\n';
      if (linePercent(line) < 0) continue;
      if (seconds(lastLine, now) > run.longestGap) {
        run.longestGap = seconds(lastLine, now);
        run.afterLongestGap = line;
      }
      lastLine = now;
      if (!cancelSent && cancelAt && cancelAt(line)) {
        ::kill(child, SIGINT);
        cancelled = Clock::now();
        cancelSent = true;
      }
    }
  }
  ::close(errPipe[0]);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const auto end = Clock::now();
  run.wall = seconds(start, end);
  if (cancelSent) run.cancelToExit = seconds(cancelled, end);
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  return run;
}

std::uint64_t pictureBytes(const std::string& path) {
  const auto bitmap = imaging::Bitmap::fromFile(path);
  return std::uint64_t(std::max(bitmap->width(), 0)) *
         std::uint64_t(std::max(bitmap->height(), 0)) * 3;
}

// A Ctrl-C in each phase, well inside it: loading, aligning, composing (by the bar's share:
// 0-30 %, 30-70 %, 70-100 %) and the encoding of the panorama.
struct CancelPoint {
  const char* phase;
  std::function<bool(const std::string&)> reached;
};

std::vector<CancelPoint> cancelPoints() {
  auto atPercent = [](int percent, const char* text) {
    return [percent, text](const std::string& line) {
      return linePercent(line) >= percent && line.find(text) != std::string::npos;
    };
  };
  return {{"loading", atPercent(15, "Loading images...")},
          {"aligning", atPercent(50, "Aligning image")},
          {"composing", atPercent(85, "Stitching images")},
          {"encoding", atPercent(0, "Converting to JPEG.")}};
}

}  // namespace

bool reportChildStitch(const std::vector<std::string>& photos, bool fullCircle,
                       const std::string& output, bool cancels) {
  std::vector<std::string> args = {"stitch", "--stitch-anyway", "--memory-limit", "1T", "-o",
                                   output};
  if (fullCircle) args.emplace_back("--full360");
  args.insert(args.end(), photos.begin(), photos.end());
  const ChildRun run = runPanoramaCli(args);
  if (run.exitStatus != 0) {
    std::printf("panorama-cli stitch failed (%d):\n%s", run.exitStatus, run.err.c_str());
    return false;
  }
  const std::uint64_t panorama = pictureBytes(output);
  const std::uint64_t photo = pictureBytes(photos.front());
  const std::uint64_t limit = panorama + kFullSizeCopies * photo + kLimitSlack;
  std::printf(
      "| photos | panorama MB | photo MB | peak RSS MB | limit MB | peak / limit | wall s | "
      "longest progress gap s |\n|---|---|---|---|---|---|---|---|\n");
  std::printf(
      "| %zu%s | %.1f | %.1f | %.1f | %.1f | %.2f | %.1f | %.2f |\n", photos.size(),
      fullCircle ? " (full circle)" : "", static_cast<double>(panorama) / kMegabyte,
      static_cast<double>(photo) / kMegabyte, static_cast<double>(run.peakBytes) / kMegabyte,
      static_cast<double>(limit) / kMegabyte,
      static_cast<double>(run.peakBytes) / static_cast<double>(limit), run.wall, run.longestGap);
  std::printf("(the longest wait for a progress line ended at \"%s\"; a line comes at every whole "
              "percent and every new text)\n",
              run.afterLongestGap.c_str());
  if (run.err.find("Stitched all the same") != std::string::npos)
    std::printf("(the verification refused the series; stitched all the same)\n");
  if (!cancels) return true;

  std::printf(
      "\n| Ctrl-C while | exit status | Ctrl-C to exit s | file left |\n|---|---|---|---|\n");
  for (const CancelPoint& point : cancelPoints()) {
    const std::string cancelledOutput = output + ".cancelled.jpg";
    std::vector<std::string> cancelledArgs = args;
    cancelledArgs[5] = cancelledOutput;
    const ChildRun cancelled = runPanoramaCli(cancelledArgs, point.reached);
    std::FILE* left = std::fopen(cancelledOutput.c_str(), "rb");
    std::printf("| %s | %d | %.3f | %s |\n", point.phase, cancelled.exitStatus,
                cancelled.cancelToExit, left != nullptr ? "yes (fault)" : "no");
    if (left != nullptr) std::fclose(left);
  }
  return true;
}

int runCircleBench(int photos) {
  constexpr ImageSize kPhotoSize{4000, 3000};
  constexpr double kFocal = 1.625;  // half photo widths: a 63 degree lens
  const ScratchFolder folder("circle");
  if (folder.path().empty()) return 1;
  const auto start = Clock::now();
  test::PhotoSeries series;
  series.photoSize = kPhotoSize;
  series.focal = kFocal;
  for (int i = 0; i < photos; ++i) series.poses.push_back({2 * std::numbers::pi * i / photos, 0});
  const test::Picture picture =
      test::loadPicture(std::string(SKYLACER_SAMPLES_DIR) + "/mountains/IMG_0001.jpg");
  const test::CylinderPicture cylinder = test::fullTurnCylinder(picture.pixels, picture.size);
  std::vector<std::string> files;
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < series.poses.size(); ++i) {
    RgbImage photo = test::renderPhoto(cylinder, series, i);
    // Sensor-like noise: the detail a real photo gives its JPEG coder and the feature search.
    for (auto& byte : photo) {
      state = state * 1664525u + 1013904223u;
      const int noisy = byte + static_cast<int>(state >> 28) - 8;
      byte = static_cast<std::uint8_t>(std::clamp(noisy, 1, 255));
    }
    const auto bitmap = imaging::Bitmap::overPixels(photo.data(), kPhotoSize.width,
                                                    kPhotoSize.height, 3 * kPhotoSize.width);
    files.push_back((folder.path() / ("photo" + std::to_string(i) + ".jpg")).string());
    if (bitmap->saveJpeg(files.back(), 90) != imaging::ImagingStatus::Ok)
      throw std::runtime_error("cannot write " + files.back());
  }
  std::printf("%d photos of %d x %d in a full circle rendered in %.0f s\n\n", photos,
              kPhotoSize.width, kPhotoSize.height, seconds(start, Clock::now()));
  const bool stitched =
      reportChildStitch(files, true, (folder.path() / "panorama.jpg").string(), true);
  std::printf("\nbench run time %.0f s\n", seconds(start, Clock::now()));
  return stitched ? 0 : 1;
}

}  // namespace skylacer::bench
