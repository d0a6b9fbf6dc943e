// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The movie's bytes as a script beside the QuickTime VR web page. A browser does not let a page
// opened from disk read a file beside it, but it runs a script from there: the script hands the
// page's viewer the movie as base64 text, and the viewer shows the panorama it holds.

#include <filesystem>
#include <string>

namespace skylacer::output {

// The script's path: the movie's path with ".js" appended ("pano.mov" gives "pano.mov.js").
std::filesystem::path movieScriptPath(const std::filesystem::path& movie);

// Writes the script of the movie at `movie`: the statement
// `document.currentScript.skylacerMovie="<base64 of the movie's bytes>";`. False when the movie
// cannot be read or the script cannot be written (an existing script is then left as it was),
// with the file and the reason in `failure`.
bool writeMovieScript(const std::filesystem::path& movie, std::string& failure);

}  // namespace skylacer::output
