// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Help and support: our HTML help pages beside the program, and the internet shortcuts
// ("Support.url", "Product Info.url") whose "URL=" line names an address.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace skylacer::app {

enum class HelpTopic { Contents, Index };

// The help page of `topic` ("help/index.html" or "help/keywords.html" in the program's folder)
// when it exists; otherwise the online help address.
std::string helpAddress(const std::filesystem::path& programFolder, HelpTopic topic);

// The address in an internet shortcut file: the value of its first "URL=" line (the key in any
// letter case, surrounding white space and a trailing CR removed). Nothing when the file cannot
// be read or names no address.
std::optional<std::string> internetShortcutAddress(const std::filesystem::path& shortcut);

// "Product Info.url" in the current folder, else beside the program; nothing when neither
// names an address.
std::optional<std::string> productInfoAddress(const std::filesystem::path& programFolder);

}  // namespace skylacer::app
