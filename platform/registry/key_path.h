// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Key paths of the settings store, written like registry paths: components separated by
// backslashes, relative to a store's root ("Software\Oskelvind\Skylacer 3\Settings").
// Empty components are ignored, so "" and "\" both name the root. Names compare without regard
// to ASCII letter case; other bytes (UTF-8 sequences included) compare exactly.

#include <string>
#include <string_view>
#include <vector>

namespace skylacer::registry {

// The non-empty components of a key path, in order.
std::vector<std::string_view> splitKeyPath(std::string_view keyPath);

// The form under which a key or value name is looked up: ASCII letters in lower case.
std::string foldName(std::string_view name);

// The path of the sub-key `child` (itself a path) of the key at `parent`.
std::string subKeyPath(std::string_view parent, std::string_view child);

// True when the key at `inner` is the key at `outer` or lies below it.
bool isSameOrBelow(std::string_view inner, std::string_view outer);

}  // namespace skylacer::registry
