// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Parts of paths as the outputs split them. A path may come from a project written on Windows,
// so both '/' and '\' end a folder name. Paths are UTF-8 bytes.

#include <string>
#include <string_view>

namespace skylacer::output {

// Everything after the last '/' or '\'; the whole path when it has neither.
std::string_view fileNameOf(std::string_view path);

// Everything up to and including the last '/' or '\'; empty when the path has neither.
std::string_view folderOf(std::string_view path);

// A file name without its extension: everything before its last dot (the whole name when it has
// no dot).
std::string_view withoutExtension(std::string_view fileName);

// The path with everything from the last dot of its file name replaced by `extension` (a dot
// and letters); a file name without a dot gets `extension` appended. Dots in folder names never
// count: "v1.2/pano" gives "v1.2/pano.jpg".
std::string replaceExtension(std::string_view path, std::string_view extension);

}  // namespace skylacer::output
