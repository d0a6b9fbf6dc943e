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

namespace skylacer::registry {

// Empty when neither the environment nor the password database names a home folder.
std::filesystem::path userSettingsFile();

std::filesystem::path machineSettingsFile();

}  // namespace skylacer::registry
