// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Starting other programs. The started process is detached: it runs on after this program ends
// and nobody waits for it. No Qt application object is needed.

#include <string>
#include <vector>

namespace skylacer::shell {

// Starts `program` (a path, or a name looked up in PATH) with `arguments`, each passed as one
// argument without any shell in between, in the current folder. False when it could not be
// started (not found, not executable).
bool startDetached(const std::string& program, const std::vector<std::string>& arguments);

// Opens a file or an address with the program the desktop associates with it, through
// "xdg-open" found in PATH. False when xdg-open could not be started; what xdg-open then does
// is not awaited.
bool openWithAssociatedProgram(const std::string& fileOrAddress);

}  // namespace skylacer::shell
