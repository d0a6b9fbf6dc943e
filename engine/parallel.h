// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Work the engine hands to other cores.

#include <algorithm>
#include <atomic>
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
// them, each band taken by the first thread free. Only the calling thread talks to the outside:
// before each band it takes it asks stopBefore(band), and when that says stop no thread takes a
// further band; the bands already started are finished. Returns false when stopped. Every
// thread has ended when it returns; an exception thrown by a band stops the others and is
// rethrown here. Where fewer threads can be started, fewer work.
template <typename Work, typename StopBefore>
bool runBands(int workers, int bands, Work&& work, StopBefore&& stopBefore) {
  std::atomic<int> next{0};
  std::atomic<bool> stopped{false};
  std::mutex failureMutex;
  std::exception_ptr failure;
  auto fail = [&] {
    const std::lock_guard lock(failureMutex);
    if (!failure) failure = std::current_exception();
    stopped = true;
  };
  auto takeBands = [&] {
    try {
      while (!stopped) {
        const int band = next.fetch_add(1);
        if (band >= bands) return;
        work(band);
      }
    } catch (...) {
      fail();
    }
  };

  bool asked = false;
  {
    std::vector<std::jthread> helpers;
    try {
      for (int i = 1; i < std::min(workers, bands); ++i) helpers.emplace_back(takeBands);
    } catch (const std::system_error&) {
      // The threads started share the bands.
    }
    try {
      while (!stopped) {
        const int band = next.fetch_add(1);
        if (band >= bands) break;
        if (stopBefore(band)) {
          asked = true;
          stopped = true;
          break;
        }
        work(band);
      }
    } catch (...) {
      fail();
    }
  }
  if (failure) std::rethrow_exception(failure);
  return !asked;
}

}  // namespace skylacer
