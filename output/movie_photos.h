// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Photos handed to the interface movie, as "Add photos" and an opened project both do: for each
// index i the variables "ImagePathToAdd<i>" (the path), "ImageThumbnail<i>", "ImageHeight<i>",
// "ImageWidth<i>", "FileName<i>" (file name without folder and extension) and
// "ImageRotation<i>" (the rotate/flip code the photo is shown and stitched with), then
// "NumImagesToAdd" and the label "AddImages" at "/".

#include <span>
#include <string>

#include "output/movie_variables.h"
#include "output/temporary_file_list.h"

namespace skylacer::output {

// `rotations` holds one code per photo, or none when no photo is turned. `count` is what
// "NumImagesToAdd" says: the number of photos, or what a project file stored (0 or negative
// hands nothing over). Thumbnails written into temporary files join `thumbnails`.
void handPhotosToMovie(InterfaceMovie& movie, std::span<const std::string> photos,
                       std::span<const int> rotations, long long count,
                       TemporaryFileList& thumbnails);

}  // namespace skylacer::output
