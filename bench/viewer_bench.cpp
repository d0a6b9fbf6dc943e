// SPDX-License-Identifier: GPL-3.0-or-later
// The exported viewer program: its size, its time from start to the first frame of the
// panorama, and its memory for a 3k- and a 12k-wide panorama. Runs the real program on an X
// server of its own (Xvfb, Mesa's software renderer) and reads its trace. Prints a Markdown table.
// Usage: viewer_bench [VIEWER]: the viewer of this build tree, or another build's to compare.

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/imaging/jpeg_codec.h"
#include "viewer/panorama_block.h"

extern char** environ;

namespace skylacer::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;
// Frames drawn after the first before the memory is read: the automatic turn is running.
constexpr int kFramesBeforeMemory = 10;

struct Child {
  pid_t pid = -1;
  int output = -1;  // its standard output
};

// Starts a program found on PATH (with this environment, or ours when empty); its standard
// output comes through a pipe. Descriptors without close-on-exec stay open in it.
std::optional<Child> spawn(const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment) {
  int ends[2];
  if (pipe(ends) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, ends[0]);
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  Child child;
  const int failed = posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(),
                                  environment.empty() ? environ : envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  if (failed != 0) {
    close(ends[0]);
    return std::nullopt;
  }
  child.output = ends[0];
  return child;
}

void end(Child& child) {
  if (child.pid > 0) {
    kill(child.pid, SIGTERM);
    waitpid(child.pid, nullptr, 0);
  }
  if (child.output >= 0) close(child.output);
  child = {};
}

// Reads lines from a child until one starts with `prefix`; false at the end or after `seconds`.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}
  // Whether this line has been read.
  bool hasRead(const std::string& line) const {
    return std::any_of(read_.begin(), read_.end(),
                       [&line](const Line& read) { return read.text == line; });
  }
  // The longest time between two lines read one after the other that start with `prefix`.
  double longestGapMs(const std::string& prefix) const {
    double longest = 0;
    std::optional<Clock::time_point> previous;
    for (const Line& line : read_) {
      if (!line.text.starts_with(prefix)) continue;
      if (previous)
        longest = std::max(longest,
                           std::chrono::duration<double, std::milli>(line.at - *previous).count());
      previous = line.at;
    }
    return longest;
  }
  bool waitFor(const std::string& prefix, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
      const std::size_t newline = buffer_.find('\n');
      if (newline != std::string::npos) {
        const std::string line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        read_.push_back({line, readAt_});
        if (line.starts_with(prefix)) return true;
        continue;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd descriptor{fd_, POLLIN, 0};
      if (poll(&descriptor, 1, static_cast<int>(left.count())) <= 0) return false;
      char chunk[4096];
      const ssize_t got = read(fd_, chunk, sizeof chunk);
      if (got <= 0) return false;
      buffer_.append(chunk, static_cast<std::size_t>(got));
      readAt_ = Clock::now();
    }
  }

 private:
  struct Line {
    std::string text;
    Clock::time_point at;  // when it came
  };
  int fd_;
  std::string buffer_;
  Clock::time_point readAt_;
  std::vector<Line> read_;
};

// "VmRSS" or "VmHWM" of a process in bytes.
long long statusBytes(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with(field + ":")) return std::atoll(line.c_str() + field.size() + 1) * 1024;
  return 0;
}

// The processor time (user and system) a process has used so far, in milliseconds.
double processorMs(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The fields after the command's name, which is in parentheses and may hold spaces.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int index = 3; index <= 15 && fields >> field; ++index)
    if (index == 14 || index == 15) ticks += std::atof(field.c_str());
  return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A picture with detail everywhere (so the JPEG is of a photo's size), blue-green-red.
std::vector<std::uint8_t> makePicture(int width, int height) {
  std::vector<std::uint8_t> pixels(std::size_t{3} * width * height);
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245 + 12345;
      std::uint8_t* p = &pixels[(std::size_t(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(128 + 100 * std::sin(x * 0.01) + (noise >> 28));
      p[1] = static_cast<std::uint8_t>(128 + 100 * std::cos(y * 0.013) + (noise >> 27 & 15));
      p[2] = static_cast<std::uint8_t>((x ^ y) & 255);
    }
  return pixels;
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Measured {
  std::vector<double> firstFrameMs;
  // The processor time the viewer has used by its first frame (its threads together): other
  // programs running at the same time lengthen the first frame's wall-clock time, not this.
  std::vector<double> firstFrameCpuMs;
  // To the first frame of the full picture: a large one shows reduced in its first frame.
  std::vector<double> fullPictureMs;
  // The longest time between two frames until then (the view turns all the while): how long
  // the window stops answering while the full picture is made.
  std::vector<double> longestGapMs;
  long long peakBytes = 0;
  long long residentBytes = 0;
  std::size_t jpegBytes = 0;
};

std::optional<Measured> measure(const std::string& viewerDat, const std::string& program,
                                const std::string& display, int width, int height) {
  imaging::EncodedJpeg jpeg;
  const std::vector<std::uint8_t> pixels = makePicture(width, height);
  if (imaging::encodeJpeg({pixels.data(), 3 * width, width, height}, 85, jpeg) !=
      imaging::ImagingStatus::Ok)
    return std::nullopt;
  {
    std::ofstream out(program, std::ios::binary);
    const std::vector<std::uint8_t> viewer = fileBytes(viewerDat);
    out.write(reinterpret_cast<const char*>(viewer.data()),
              static_cast<std::streamsize>(viewer.size()));
    const auto header = viewer::panoramaBlockHeader(2 * 3.14159265358979);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    out.write(reinterpret_cast<const char*>(jpeg.bytes().data()),
              static_cast<std::streamsize>(jpeg.bytes().size()));
  }
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  Measured measured;
  measured.jpegBytes = jpeg.bytes().size();
  const std::vector<std::string> environment{"DISPLAY=" + display, "SKYLACER_VIEWER_TRACE=1",
                                             "PATH=/usr/bin:/bin", "HOME=/tmp"};
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    std::optional<Child> viewer = spawn({program}, environment);
    if (!viewer) return std::nullopt;
    LineReader lines(viewer->output);
    if (!lines.waitFor("frame ", 60)) {
      end(*viewer);
      return std::nullopt;
    }
    measured.firstFrameMs.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    measured.firstFrameCpuMs.push_back(processorMs(viewer->pid));
    const std::string fullPicture =
        "picture " + std::to_string(width) + "x" + std::to_string(height);
    if (!lines.hasRead(fullPicture) &&
        !(lines.waitFor(fullPicture, 60) && lines.waitFor("frame ", 5))) {
      end(*viewer);
      return std::nullopt;
    }
    measured.fullPictureMs.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    measured.longestGapMs.push_back(lines.longestGapMs("frame "));
    for (int frame = 0; frame < kFramesBeforeMemory; ++frame) lines.waitFor("frame ", 5);
    measured.peakBytes = std::max(measured.peakBytes, statusBytes(viewer->pid, "VmHWM"));
    measured.residentBytes = std::max(measured.residentBytes, statusBytes(viewer->pid, "VmRSS"));
    end(*viewer);
  }
  std::sort(measured.firstFrameMs.begin(), measured.firstFrameMs.end());
  std::sort(measured.fullPictureMs.begin(), measured.fullPictureMs.end());
  std::sort(measured.firstFrameCpuMs.begin(), measured.firstFrameCpuMs.end());
  std::sort(measured.longestGapMs.begin(), measured.longestGapMs.end());
  return measured;
}

double megabytes(long long bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace
}  // namespace skylacer::bench

int main(int argc, char** argv) {
  using namespace skylacer::bench;
  const std::string viewerDat = argc > 1 ? argv[1] : SKYLACER_VIEWER_DAT;
  const ScratchFolder scratch("viewer-bench");
  if (scratch.path().empty()) return 1;

  const auto size = std::filesystem::file_size(viewerDat);
  const std::string stripped = (scratch.path() / "stripped").string();
  std::optional<Child> strip = spawn({"strip", "-o", stripped, viewerDat}, {});
  if (strip) {
    waitpid(strip->pid, nullptr, 0);
    close(strip->output);
  }
  const auto strippedSize =
      std::filesystem::exists(stripped) ? std::filesystem::file_size(stripped) : 0;
  const std::string which = argc > 1 ? viewerDat : std::string(SKYLACER_BUILD_TYPE) + " build";
  std::printf("Viewer program (%s): %.2f MB as built, %.2f MB stripped (goal: under 2 MB)\n\n",
              which.c_str(), size / 1048576.0, strippedSize / 1048576.0);

  // An X server of our own; it writes its display number to the descriptor it inherits.
  int ends[2];
  if (pipe(ends) != 0) return 1;
  std::optional<Child> xvfb = spawn({"Xvfb", "-displayfd", std::to_string(ends[1]), "-screen", "0",
                                     "1024x768x24", "-nolisten", "tcp", "-noreset"},
                                    {});
  close(ends[1]);
  if (!xvfb) {
    std::printf("Xvfb cannot start: nothing measured\n");
    return 1;
  }
  std::string number;
  char c = 0;
  pollfd descriptor{ends[0], POLLIN, 0};
  while (poll(&descriptor, 1, 10000) > 0 && read(ends[0], &c, 1) == 1 && c != '\n') number += c;
  close(ends[0]);
  const std::string display = ":" + number;

  struct Case {
    const char* name;
    int width;
    int height;
  };
  std::printf(
      "| panorama | pixels | JPEG | first frame, median (min-max) of %d | processor time to "
      "the first frame, median | full picture shown, median | longest time between frames until "
      "then, median (max) | peak memory (VmHWM) | resident, turning | peak per pixel | peak "
      "above the 64 x 32 run, per pixel |\n",
      kRuns);
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
  long long baseline = 0;
  int status = 0;
  for (const Case& c : {Case{"64 x 32", 64, 32}, Case{"3k", 3000, 600}, Case{"12k", 12000, 2400}}) {
    const std::string program = (scratch.path() / "panorama").string();
    const std::optional<Measured> m = measure(viewerDat, program, display, c.width, c.height);
    if (!m) {
      std::printf("| %s | not measured: the viewer showed no frame |\n", c.name);
      status = 1;
      continue;
    }
    const double pixels = static_cast<double>(c.width) * c.height;
    if (baseline == 0) baseline = m->peakBytes;
    std::printf(
        "| %s (%d x %d) | %.1f M | %.2f MB | %.0f ms (%.0f-%.0f) | %.0f ms | %.0f ms | %.0f ms "
        "(%.0f) | %.1f MB | %.1f MB | %.1f B | %.1f B |\n",
        c.name, c.width, c.height, pixels / 1e6, m->jpegBytes / 1048576.0,
        m->firstFrameMs[m->firstFrameMs.size() / 2], m->firstFrameMs.front(),
        m->firstFrameMs.back(), m->firstFrameCpuMs[m->firstFrameCpuMs.size() / 2],
        m->fullPictureMs[m->fullPictureMs.size() / 2], m->longestGapMs[m->longestGapMs.size() / 2],
        m->longestGapMs.back(), megabytes(m->peakBytes), megabytes(m->residentBytes),
        m->peakBytes / pixels, (m->peakBytes - baseline) / pixels);
  }
  std::printf("\nGoals: first frame under 150 ms; memory under 3 bytes a pixel of the panorama.\n");
  end(*xvfb);
  return status;
}
