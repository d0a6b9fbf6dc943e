// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The help topics of the tuner's pages: HTML pages shipped in the folder "help" beside the
// program ("tune/general.html", "tune/lens.html", "tune/advanced.html"), with the product's
// online help as the fallback.

#include <filesystem>
#include <string>

namespace skylacer::tuning {

enum class TunerTab { General, Lens, Advanced };

inline constexpr char kOnlineHelpAddress[] = "https://oskelvind.example/skylacer/help/";

// The page of `tab` under `helpFolder`.
std::filesystem::path tunerHelpPage(const std::filesystem::path& helpFolder, TunerTab tab);

// What Help opens: the tab's page when it exists, else the online help.
std::string tunerHelpTarget(const std::filesystem::path& helpFolder, TunerTab tab);

}  // namespace skylacer::tuning
