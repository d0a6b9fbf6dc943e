// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the viewer says when libX11 or libGL cannot be loaded: it has no window then, so the
// message goes to the standard error and, when the viewer was started from a desktop rather
// than a terminal, to the first desktop tool that can show it (zenity, kdialog, notify-send,
// xmessage).

#include "viewer/platform/system_libraries.h"

namespace skylacer::viewer {

void reportMissingLibrary(const platform::LibraryFailure& failure);

}  // namespace skylacer::viewer
