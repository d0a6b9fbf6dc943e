// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The full-screen display modes the viewer offers. A mode is rendered at its own size and
// scaled to the whole screen; the display itself keeps its mode.

#include <span>
#include <vector>

namespace skylacer::viewer::platform {

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;

  bool operator==(const DisplayMode&) const = default;
};

inline constexpr int kMaxDisplayModes = 50;
inline constexpr int kMaxModeWidth = 1024;
inline constexpr int kMaxModeHeight = 768;
inline constexpr DisplayMode kPreferredMode{640, 480, 16};

// The modes offered from the display's candidates: those no larger than 1024 × 768, each once,
// sorted by bits per pixel, then width, then height, each from high to low; the first 50.
std::vector<DisplayMode> fullScreenModes(std::vector<DisplayMode> candidates);

// Index of the default full-screen mode: 640 × 480 × 16 when listed, otherwise 0; -1 for an
// empty list.
int defaultFullScreenMode(std::span<const DisplayMode> modes);

}  // namespace skylacer::viewer::platform
