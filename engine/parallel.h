// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Work the engine hands to other cores.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace skylacer {

// Starts `work` on another thread. Where no thread can be started, it runs on the thread that
// asks for its result, when it asks; the result is the same either way.
template <typename Work>
auto startBeside(Work&& work) {
  return std::async(std::launch::async | std::launch::deferred, std::forward<Work>(work));
}

// Runs work(band) for bands 0..bands-1 on up to `workers` threads, the calling thread one of
// them, each band taken by the first thread free. Only the calling thread talks to the outside,
// through stopBefore(position): before each band it takes, with that band; then, once no band is
// left to take, each time the number of bands ended (at most bands-1) has grown past the last
// position asked. So the positions asked only go up, stay below `bands`, and end at bands-1 as on
// one thread, even when the other threads ended the last bands while it was busy with its own.
// When stopBefore says stop, no thread takes a further band; the bands already started are
// finished, and the result is false. Every thread has ended when it returns; an exception thrown
// by a band or by stopBefore stops the others and is rethrown here. Where fewer threads can be
// started, fewer work.
template <typename Work, typename StopBefore>
bool runBands(int workers, int bands, Work&& work, StopBefore&& stopBefore) {
  std::atomic<int> next{0};
  std::atomic<bool> stopped{false};
  // Guards the counts and the failure; signalled when a band ends and when a helper leaves, so
  // that a calling thread with no band left can report while the others finish theirs.
  std::mutex mutex;
  std::condition_variable changed;
  int ended = 0;
  int helpersGone = 0;
  std::exception_ptr failure;
  auto fail = [&] {
    const std::lock_guard lock(mutex);
    if (!failure) failure = std::current_exception();
    stopped = true;
  };
  auto runBand = [&](int band) {
    work(band);
    {
      const std::lock_guard lock(mutex);
      ++ended;
    }
    changed.notify_one();
  };
  auto takeBands = [&] {
    try {
      while (!stopped) {
        const int band = next.fetch_add(1);
        if (band >= bands) break;
        runBand(band);
      }
    } catch (...) {
      fail();
    }
    {
      const std::lock_guard lock(mutex);
      ++helpersGone;
    }
    changed.notify_one();
  };

  bool asked = false;
  {
    std::vector<std::jthread> helpers;
    try {
      for (int i = 1; i < std::min(workers, bands); ++i) helpers.emplace_back(takeBands);
    } catch (const std::system_error&) {
      // The threads started share the bands.
    }
    const int helperCount = static_cast<int>(helpers.size());
    const auto askStop = [&](int position) {
      asked = stopBefore(position);
      if (asked) stopped = true;
      return asked;
    };
    try {
      int lastAsked = -1;
      while (!stopped) {
        const int band = next.fetch_add(1);
        if (band >= bands) break;
        if (askStop(band)) break;
        lastAsked = band;
        runBand(band);
      }
      while (!stopped) {
        int position = 0;
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return ended > lastAsked || helpersGone == helperCount; });
          // A failure stopped the helpers: nothing more to report.
          if (stopped) break;
          position = std::min(ended, bands - 1);
          if (position <= lastAsked) break;
        }
        if (askStop(position)) break;
        lastAsked = position;
      }
    } catch (...) {
      fail();
    }
  }
  if (failure) std::rethrow_exception(failure);
  return !asked;
}

// Runs work(first, end) over `count` items split into up to `workers` runs of consecutive items
// and nearly equal length, each on a thread of its own, the calling thread one of them; every
// item is in exactly one run, and the runs end in order of their items. For work that cannot be
// stopped and whose runs' results the caller joins in that order. Nothing runs for no items.
template <typename Work>
void runShares(int workers, std::size_t count, Work&& work) {
  if (count == 0) return;
  const std::size_t shares = std::min(count, static_cast<std::size_t>(std::max(workers, 1)));
  runBands(
      static_cast<int>(shares), static_cast<int>(shares),
      [&](int share) {
        const auto k = static_cast<std::size_t>(share);
        work(count * k / shares, count * (k + 1) / shares);
      },
      [](int) { return false; });
}

}  // namespace skylacer
