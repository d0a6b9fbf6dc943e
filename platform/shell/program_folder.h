// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The folder that holds the running program's executable, where the files shipped beside it
// live.

#include <filesystem>

namespace skylacer::shell {

// An absolute path, from /proc/self/exe. Throws std::filesystem::filesystem_error when that link
// cannot be read (no /proc).
std::filesystem::path programFolder();

}  // namespace skylacer::shell
