// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string_view>

#include "platform/imaging/local_text.h"
#include "tuning/profiles.h"

namespace skylacer::cli {

// The usage lines of the profiles command, as the program's help shows them.
inline constexpr auto kProfilesUsage = SourceText(
    "  panorama-cli profiles list\n"
    "      the stored parameter profiles: index, name, description and the 13 numbers,\n"
    "      separated by tabs\n"
    "  panorama-cli profiles export FILE.reg\n"
    "      writes the stored profiles as a registry file\n"
    "  panorama-cli profiles import FILE.reg\n"
    "      replaces the stored profiles by those of a registry file; nothing is stored unless\n"
    "      the whole file reads without error\n"
    "      (-q, --quiet: no result line for export and import, only errors)\n");

// Prints, once, the table's warning about stored values outside the tuner's limits, if any.
void warnOfClampedProfiles(const tuning::ProfileTable& table);

// Runs "profiles" with the words that follow it, on the user's settings store (the tuner's
// reading: up to 256 profiles, the built-in one when none is stored). Returns the exit status:
// 0 done, 1 failed (the reason on stderr), 2 misused (the usage on stderr).
int runProfilesCommand(std::span<const std::string_view> args);

}  // namespace skylacer::cli
