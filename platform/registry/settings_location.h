// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the two settings stores live. Each is one database file:
//   user:    "$XDG_CONFIG_HOME/Oskelvind/Skylacer 3/settings.db", where an unset, empty or
//            relative XDG_CONFIG_HOME stands for "$HOME/.config";
//   machine: "/etc/xdg/Oskelvind/Skylacer 3/settings.db".
// Environment variables that replace these paths (tests, special setups):
//   SKYLACER_USER_SETTINGS     the user's database file
//   SKYLACER_MACHINE_SETTINGS  the machine's database file
// The environment is read at each call.

#include <filesystem>
#include <string_view>

namespace skylacer::registry {

// The folders below a configuration folder, named after the maker and the product. The desktop
// program gives Qt the same two names, so every folder Qt writes (its caches) is named alike.
inline constexpr std::string_view kMakerFolder = "Oskelvind";
inline constexpr std::string_view kProductFolder = "Skylacer 3";

// Empty when neither the environment nor the password database names a home folder.
std::filesystem::path userSettingsFile();

std::filesystem::path machineSettingsFile();

}  // namespace skylacer::registry
