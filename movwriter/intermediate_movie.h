// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The intermediate VR movie, written beside the output and flattened into it.

#include <filesystem>

#include "movwriter/toolbox/movie_file.h"

namespace skylacer::movwriter {

// The output path with the last character of its file name replaced by 't', or by '@' when it
// already is a 't' (pano.mov gives pano.mot, pano.mot gives pano.mo@). Throws
// MovieToolboxError (paramErr) for a path without a file name.
std::filesystem::path intermediateName(const std::filesystem::path& output);

// Creates the intermediate movie file under intermediateName(output) or, when a file of that
// name exists, under the first free name "<that name>-N" (N = 1, 2, ...). Creation is
// exclusive: an existing file is never overwritten.
toolbox::MovieFile createIntermediateMovie(const std::filesystem::path& output);

}  // namespace skylacer::movwriter
