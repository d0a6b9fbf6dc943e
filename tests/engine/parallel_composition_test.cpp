// SPDX-License-Identifier: GPL-3.0-or-later
// The loading and the composition on several threads: the same bytes as on one, and a stop that
// leaves no thread behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/parallel.h"
#include "engine/projection.h"
#include "engine/stitch.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/temp_dir.h"

namespace skylacer {
namespace {

using test::ScriptedProgress;

// The photo files of a bundled series, opened afresh: the composition releases what it painted.
struct OpenedSeries {
  explicit OpenedSeries(const std::string& series) : OpenedSeries(test::samplePhotos(series)) {}
  explicit OpenedSeries(const std::vector<std::filesystem::path>& files) {
    for (const auto& file : files) {
      bitmaps.push_back(imaging::Bitmap::fromFile(file.string()));
      pointers.push_back(bitmaps.back().get());
    }
  }
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> pointers;
};

template <typename Series>
std::optional<StitchResult> stitchSeries(const Series& series, bool fullCircle, int workers,
                                         IProgress* progress = nullptr) {
  OpenedSeries photos(series);
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  params.full360 = fullCircle ? 1 : 0;
  NullTrace trace;
  return stitchPanorama(photos.pointers, params, progress, trace, AlignmentCheck::StitchAnyway,
                        workers);
}

// Threads of this process, from the kernel's list.
int runningThreads() {
  int count = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    ++count;
  return count;
}

// The number of threads once it has come down to `expected`, or after two seconds: a joined
// thread may stay listed for a moment after it is joined.
int threadsSettlingAt(int expected) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int count = runningThreads();
  while (count != expected && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    count = runningThreads();
  }
  return count;
}

TEST(ParallelComposition, OneTwoAndFourWorkersGiveTheSameBytes) {
  for (const bool fullCircle : {false, true}) {
    SCOPED_TRACE(fullCircle ? "full circle" : "open");
    const std::optional<StitchResult> one = stitchSeries("trail", fullCircle, 1);
    ASSERT_TRUE(one && !one->panorama.pixels.empty());
    ASSERT_EQ(one->panorama.joints.size(), fullCircle ? 5u : 4u);
    for (const int workers : {2, 4}) {
      SCOPED_TRACE(workers);
      const std::optional<StitchResult> many = stitchSeries("trail", fullCircle, workers);
      ASSERT_TRUE(many);
      EXPECT_EQ(many->panorama.size, one->panorama.size);
      EXPECT_EQ(many->panorama.crop, one->panorama.crop);
      EXPECT_EQ(many->panorama.joints, one->panorama.joints);
      EXPECT_TRUE(many->panorama.pixels == one->panorama.pixels) << "the panorama's bytes differ";
    }
  }
}

// Photos above the working size are reduced as their rows decode, and a loader without room for
// one more kept photo turns it away rather than wait: which photos are kept then depends on the
// threads' timing, the bytes must not.
TEST(ParallelLoading, PhotosReducedAsTheyDecodeGiveTheSameBytesOnOneTwoAndFourWorkers) {
  const test::TempDir dir;
  const auto files = test::writeEnlarged(test::samplePhotos("trail"), 2, dir.path());
  const auto first = imaging::Bitmap::fromFile(files.front().string());
  const ImageSize photoSize{first->width(), first->height()};
  ASSERT_EQ(workingSize(photoSize), (ImageSize{photoSize.width / 2, photoSize.height / 2}));
  const std::optional<StitchResult> one = stitchSeries(files, false, 1);
  ASSERT_TRUE(one && one->panorama.joints.size() == 4u);
  for (const int workers : {2, 4}) {
    SCOPED_TRACE(workers);
    const std::optional<StitchResult> many = stitchSeries(files, false, workers);
    ASSERT_TRUE(many);
    EXPECT_EQ(many->panorama.size, one->panorama.size);
    EXPECT_TRUE(many->panorama.pixels == one->panorama.pixels) << "the panorama's bytes differ";
  }
}

TEST(ParallelComposition, AStopAnywhereInTheCompositionLeavesNoThreadRunning) {
  const std::optional<StitchResult> aligned = stitchSeries("mountains", false, 1);
  ASSERT_TRUE(aligned && !aligned->panorama.pixels.empty());
  const StitchParams params = paramsFromProfileText(kDefaultProfileText);
  ScriptedProgress counting;
  {
    OpenedSeries photos("mountains");
    ASSERT_TRUE(composePanorama(photos.pointers, aligned->cameras, params, &counting, 4));
  }
  const int threadsBefore = runningThreads();
  // A stop arriving while other threads paint, blend or read ahead; a thread left behind would
  // also touch freed buffers (the sanitizer builds see it). How many reports the calling thread
  // makes depends on how many bands the others took: a run asked to stop must give nothing.
  for (int stopAt = 0; stopAt < counting.reports; stopAt += 2) {
    SCOPED_TRACE(stopAt);
    OpenedSeries photos("mountains");
    ScriptedProgress progress(stopAt);
    const bool composed =
        composePanorama(photos.pointers, aligned->cameras, params, &progress, 4).has_value();
    EXPECT_EQ(composed, progress.reports <= stopAt);
    EXPECT_EQ(progress.depth, 0);
    EXPECT_EQ(threadsSettlingAt(threadsBefore), threadsBefore);
  }
}

TEST(ParallelLoading, AStopWhileThreadsLoadThePhotosGivesNothingAndLeavesNoThreadRunning) {
  // The feature detector keeps threads of its own once it has run: they are counted after a
  // first loading (one thread: its text, a report before each of the five photos, its end).
  ScriptedProgress toTheEndOfTheLoading(7);
  EXPECT_FALSE(stitchSeries("trail", true, 1, &toTheEndOfTheLoading));
  const int threadsBefore = runningThreads();
  // The reports from the loading's first text to its last photo: the other thread meanwhile
  // decodes, detects and matches.
  for (int stopAt = 0; stopAt <= 3; ++stopAt) {
    SCOPED_TRACE(stopAt);
    ScriptedProgress progress(stopAt);
    EXPECT_FALSE(stitchSeries("trail", true, 2, &progress));
    EXPECT_EQ(progress.depth, 0);
    EXPECT_EQ(threadsSettlingAt(threadsBefore), threadsBefore);
  }
}

TEST(RunBands, AFailingBandOnAnyThreadReachesTheCallerAfterTheOthersStop) {
  for (const int failing : {0, 7, 63}) {
    SCOPED_TRACE(failing);
    std::atomic<int> started{0};
    EXPECT_THROW(runBands(
                     4, 64,
                     [&](int band) {
                       ++started;
                       if (band == failing) throw std::runtime_error("band failed");
                     },
                     [](int) { return false; }),
                 std::runtime_error);
    EXPECT_GE(started, 1);
  }
}

// The calling thread's own band lasts until the others have taken every other band, so it has
// none left to take while theirs end: it must still report, in order, and pass on a stop.
TEST(RunBands, TheCallingThreadReportsAndStopsWhileTheOthersFinishTheirBands) {
  constexpr int kBands = 8;
  constexpr int kHeld = 2;  // the last two bands taken, one on each helper, held until reports
  const auto caller = std::this_thread::get_id();
  std::mutex mutex;
  std::condition_variable changed;
  bool callerBegun = false, callerEnded = false;
  int started = 0, finished = 0, released = 0;
  std::vector<int> positions;
  int askedWhileWaiting = 0;
  // Only a runner that never reports while it waits reaches the deadline: the held bands then
  // end on their own and the checks below fail instead of the test hanging.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  const auto await = [&](std::unique_lock<std::mutex>& lock, auto ready) {
    changed.wait_until(lock, deadline, ready);
  };

  const bool completed = runBands(
      3, kBands,
      [&](int) {
        std::unique_lock lock(mutex);
        const int order = ++started;
        changed.notify_all();
        if (std::this_thread::get_id() == caller) {
          callerBegun = true;
          await(lock, [&] { return started == kBands; });
          callerEnded = true;
        } else {
          // No helper takes a second band before the calling thread has its first: that one
          // is among the first three taken, never one of the held.
          await(lock, [&] { return callerBegun; });
          const int ticket = order - (kBands - kHeld);
          await(lock, [&] { return released >= ticket; });
        }
        ++finished;
      },
      [&](int position) {
        const std::lock_guard lock(mutex);
        positions.push_back(position);
        if (!callerEnded) return false;
        released = ++askedWhileWaiting;
        changed.notify_all();
        return askedWhileWaiting == kHeld;
      });

  EXPECT_FALSE(completed) << "the stop asked while the other threads finished was lost";
  EXPECT_EQ(askedWhileWaiting, kHeld) << "reports while the others finish, up to the stop";
  EXPECT_EQ(finished, kBands) << "a band begun was not finished";
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end(), std::greater_equal<>()),
            positions.end())
      << "a position was asked twice or went back";
  EXPECT_GE(positions.front(), 0);
  EXPECT_LT(positions.back(), kBands);
}

// The other threads end every other band while the calling thread is busy with its own: it
// still asks the last band's position, as one thread would, so that a stop asked during the
// long step is seen there and not only after it.
TEST(RunBands, TheLastPositionAskedIsTheLastBandEvenWhenTheCallingThreadEndsLast) {
  constexpr int kBands = 8;
  const auto caller = std::this_thread::get_id();
  std::mutex mutex;
  std::condition_variable changed;
  int finished = 0;
  std::vector<int> positions;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);

  EXPECT_TRUE(runBands(
      3, kBands,
      [&](int) {
        std::unique_lock lock(mutex);
        if (std::this_thread::get_id() == caller)
          changed.wait_until(lock, deadline, [&] { return finished == kBands - 1; });
        ++finished;
        changed.notify_all();
      },
      [&](int position) {
        const std::lock_guard lock(mutex);
        positions.push_back(position);
        return false;
      }));
  EXPECT_EQ(finished, kBands);
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), kBands - 1);
  EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end(), std::greater_equal<>()),
            positions.end());
}

TEST(RunShares, EveryItemIsInOneRunOfConsecutiveItemsWhateverTheCounts) {
  // Fewer items than workers, as many, more, and none.
  for (const std::size_t count :
       {std::size_t{2}, std::size_t{3}, std::size_t{10}, std::size_t{0}}) {
    SCOPED_TRACE(count);
    std::mutex mutex;
    std::vector<int> seen(count, 0);
    int runs = 0;
    runShares(3, count, [&](std::size_t first, std::size_t end) {
      const std::lock_guard lock(mutex);
      EXPECT_LT(first, end) << "an empty run";
      ++runs;
      for (std::size_t i = first; i < end; ++i) ++seen[i];
    });
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<std::ptrdiff_t>(count));
    EXPECT_EQ(runs, static_cast<int>(std::min<std::size_t>(count, 3)));
  }
}

}  // namespace
}  // namespace skylacer
