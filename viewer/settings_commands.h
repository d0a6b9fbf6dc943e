// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keyboard commands that change the rendering device's settings.

#include "viewer/commands.h"
#include "viewer/platform/device_settings.h"

namespace skylacer::viewer {

// Applies a settings command: shade F2-F4, filter Ctrl+O / Ctrl+L, fill Ctrl+P/W/S, dither
// Ctrl+D, lighting F5. Ctrl+L switches to mip-mapped filtering unless filtering is linear (the
// starting value), so it acts only after Ctrl+O. Returns false, changing nothing, for any other
// command.
bool applySettingsCommand(ViewerCommand command, platform::DeviceSettings& settings);

}  // namespace skylacer::viewer
