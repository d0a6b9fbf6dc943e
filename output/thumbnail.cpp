// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/thumbnail.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/imaging/bitmap.h"
#include "platform/shell/temporary_files.h"

namespace skylacer::output {

int thumbnailReduction(ImageSize photo) {
  if (photo.width <= kThumbnailLimit) return 1;
  std::int64_t reduction = 1;
  std::int64_t limit = kThumbnailLimit;
  while (photo.height > limit) {
    reduction *= 2;
    limit = kThumbnailLimit * reduction;
    if (photo.width <= limit) break;
  }
  return static_cast<int>(std::min<std::int64_t>(reduction, 8));
}

Thumbnail makeThumbnail(const std::string& photoPath, TemporaryFileList& temporaryFiles) {
  const std::unique_ptr<imaging::Bitmap> photo = imaging::Bitmap::fromFile(photoPath);
  Thumbnail thumbnail{photoPath, ImageSize{photo->width(), photo->height()}};
  const int reduction = thumbnailReduction(thumbnail.photoSize);
  if (reduction == 1) return thumbnail;

  const std::optional<std::filesystem::path> file = shell::createTemporaryFile("thm");
  if (!file) return thumbnail;
  const auto small = imaging::Bitmap::blank(thumbnail.photoSize.width / reduction,
                                            thumbnail.photoSize.height / reduction);
  if (small->drawScaled(*photo, 0, 0, small->width(), small->height()) ==
          imaging::ImagingStatus::Ok &&
      small->saveJpeg(file->string()) == imaging::ImagingStatus::Ok) {
    thumbnail.path = file->string();
    temporaryFiles.add(*file);
  } else {
    std::error_code ignored;
    std::filesystem::remove(*file, ignored);
  }
  return thumbnail;
}

}  // namespace skylacer::output
