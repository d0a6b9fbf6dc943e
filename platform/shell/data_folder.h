// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the programs read their data (interfaces, templates, help, internet shortcuts). In the
// build tree the data sit beside the programs; an installed program in PREFIX/lib/skylacer3
// reads them from PREFIX/share/skylacer3.

#include <filesystem>
#include <string_view>

namespace skylacer::shell {

// PREFIX/share/skylacer3 for a program folder PREFIX/lib/skylacer3.
std::filesystem::path installedDataFolder(const std::filesystem::path& programFolder);

// The folder holding `entry` (a file or folder name): the program folder when `entry` is there,
// otherwise the installed data folder, so that a message about a missing entry names the last
// place looked in.
std::filesystem::path dataFolder(const std::filesystem::path& programFolder,
                                 std::string_view entry);

}  // namespace skylacer::shell
