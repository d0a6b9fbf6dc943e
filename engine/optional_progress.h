// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The engine's steps take their progress object as a pointer that may be null (no progress
// shown, never stopped). These forward to it when there is one.

#include "engine/progress.h"

namespace skylacer {

inline void pushRange(IProgress* progress, double from, double to) {
  if (progress != nullptr) progress->PushRange(from, to);
}

inline void popRange(IProgress* progress) {
  if (progress != nullptr) progress->PopRange();
}

// True when there is a progress object and it asks to stop.
inline bool reportStop(IProgress* progress, double fraction, const char* text = nullptr) {
  return progress != nullptr && progress->Report(fraction, text);
}

}  // namespace skylacer
