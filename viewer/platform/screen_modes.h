// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The display modes the screen reports.

#include <vector>

#include "viewer/platform/display_modes.h"

namespace skylacer::viewer::platform {

// Every mode size the X display's RandR extension lists for its outputs, at the screen's depth
// (bitsPerPixel). libXrandr is loaded at run time when it is installed (it is on every
// desktop that can change its screen's size); without it, without RandR or without a listed
// mode the list is empty. Not yet limited or sorted (fullScreenModes does that).
// `display` is the Xlib Display.
std::vector<DisplayMode> screenDisplayModes(void* display, int bitsPerPixel);

}  // namespace skylacer::viewer::platform
