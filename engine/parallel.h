// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Work the engine hands to a second core.

#include <future>
#include <utility>

namespace skylacer {

// Starts `work` on another thread. Where no thread can be started, it runs on the thread that
// asks for its result, when it asks; the result is the same either way.
template <typename Work>
auto startBeside(Work&& work) {
  return std::async(std::launch::async | std::launch::deferred, std::forward<Work>(work));
}

}  // namespace skylacer
