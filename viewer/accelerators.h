// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The accelerator table "AppAccel": keys of the viewer's commands, as X keysyms.

#include <optional>

#include "viewer/commands.h"

namespace skylacer::viewer {

// The command of a key press (X keysym, unshifted; platform::Modifier flags): F1 about; Esc and
// Alt+F4 exit; Alt+Enter full screen or back; Alt+Page Down / Alt+Page Up next / previous
// display mode; F2-F4 shade modes; Ctrl+O and Ctrl+L texture filtering; Ctrl+P, Ctrl+W, Ctrl+S
// fill modes; Ctrl+D dithering; Space pause and single step; Enter automatic turn; F5 lighting.
// Modifiers must match exactly. Empty for any other key.
std::optional<ViewerCommand> acceleratorCommand(unsigned keysym, unsigned modifiers);

}  // namespace skylacer::viewer
