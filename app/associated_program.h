// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Opening a saved file, a web page or a help page with the program the desktop associates with
// it, through "xdg-open". xdg-open answers only after it has tried, so its answer is awaited in
// the background and a failure is told when it comes: the user learns why nothing opened.

#include <string>

#include "tuning/message_box.h"

namespace skylacer::app {

// Starts xdg-open for `fileOrAddress`. False, after telling `messages`, when xdg-open cannot be
// started; otherwise true, and `messages` (which must outlive the program's event loop) is told
// later if xdg-open reports that it could not open it.
bool openWithAssociatedProgram(const std::string& fileOrAddress, tuning::MessageBoxes& messages);

// "Cannot open\n<what>\n\n<reason>" for xdg-open's exit status: 2 the file is missing, 3 no
// program is set up for it, anything else that the program failed.
std::string openFailedText(const std::string& fileOrAddress, int exitStatus);

}  // namespace skylacer::app
