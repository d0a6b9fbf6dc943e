#pragma once

// The display modes the screen reports.

#include <vector>

#include "viewer/platform/display_modes.h"

namespace skylacer::viewer::platform {

// Every mode size the X display's RandR extension lists for its outputs, at the screen's depth
// (bitsPerPixel); the common sizes of commonDisplayModes when there is no X display, no RandR or
// no mode. Not yet limited or sorted (fullScreenModes does that).
std::vector<DisplayMode> screenDisplayModes(int bitsPerPixel);

}  // namespace skylacer::viewer::platform
