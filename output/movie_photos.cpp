// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/movie_photos.h"

#include "output/path_names.h"
#include "output/thumbnail.h"

namespace skylacer::output {

void handPhotosToMovie(InterfaceMovie& movie, std::span<const std::string> photos,
                       std::span<const int> rotations, long long count,
                       TemporaryFileList& thumbnails) {
  for (std::size_t i = 0; i < photos.size(); ++i) {
    const std::string index = std::to_string(i);
    const Thumbnail thumbnail = makeThumbnail(photos[i], thumbnails);
    movie.setVariable("ImagePathToAdd" + index, photos[i]);
    movie.setVariable("ImageThumbnail" + index, thumbnail.path);
    movie.setVariable("ImageHeight" + index, std::to_string(thumbnail.photoSize.height));
    movie.setVariable("ImageWidth" + index, std::to_string(thumbnail.photoSize.width));
    movie.setVariable("FileName" + index, withoutExtension(fileNameOf(photos[i])));
    movie.setVariable("ImageRotation" + index,
                      std::to_string(i < rotations.size() ? rotations[i] : 0));
  }
  movie.setVariable("NumImagesToAdd", std::to_string(count));
  movie.callLabel("/", "AddImages");
}

}  // namespace skylacer::output
