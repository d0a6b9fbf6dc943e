// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/display_modes.h"

#include <algorithm>
#include <tuple>

namespace skylacer::viewer::platform {

std::vector<DisplayMode> fullScreenModes(std::vector<DisplayMode> candidates) {
  std::erase_if(candidates, [](const DisplayMode& mode) {
    return mode.width < 1 || mode.height < 1 || mode.width > kMaxModeWidth ||
           mode.height > kMaxModeHeight;
  });
  std::sort(candidates.begin(), candidates.end(), [](const DisplayMode& a, const DisplayMode& b) {
    return std::tie(a.bitsPerPixel, a.width, a.height) >
           std::tie(b.bitsPerPixel, b.width, b.height);
  });
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  if (candidates.size() > kMaxDisplayModes) candidates.resize(kMaxDisplayModes);
  return candidates;
}

int defaultFullScreenMode(std::span<const DisplayMode> modes) {
  if (modes.empty()) return -1;
  const auto preferred = std::find(modes.begin(), modes.end(), kPreferredMode);
  return preferred != modes.end() ? static_cast<int>(preferred - modes.begin()) : 0;
}

}  // namespace skylacer::viewer::platform
