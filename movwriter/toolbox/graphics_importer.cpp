// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/graphics_importer.h"

#include <algorithm>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::toolbox {

namespace {

OSErr imagingFailure(imaging::ImagingStatus status) {
  switch (status) {
    case imaging::ImagingStatus::FileNotFound:
      return fnfErr;
    case imaging::ImagingStatus::AccessDenied:
      return permErr;
    case imaging::ImagingStatus::UnknownImageFormat:
      return cantFindHandler;
    case imaging::ImagingStatus::OutOfMemory:
      return memFullErr;
    default:
      return badDataErr;
  }
}

}  // namespace

GraphicsImporter::GraphicsImporter(std::unique_ptr<imaging::Bitmap> bitmap, Rect bounds)
    : bitmap_(std::move(bitmap)), naturalBounds_(bounds) {}

GraphicsImporter::GraphicsImporter(GraphicsImporter&& other) noexcept
    : bitmap_(std::move(other.bitmap_)),
      naturalBounds_(other.naturalBounds_),
      decoded_(other.decoded_),
      locked_(other.locked_) {
  other.locked_ = false;
}

GraphicsImporter::~GraphicsImporter() {
  if (locked_) bitmap_->unlockRows();
}

GraphicsImporter GraphicsImporter::forFile(const std::string& path) {
  if (path.empty()) throw MovieToolboxError(paramErr, "no picture path");
  auto bitmap = imaging::Bitmap::fromFile(path);
  const imaging::ImagingStatus status = bitmap->lastStatus();
  if (status != imaging::ImagingStatus::Ok)
    throw MovieToolboxError(imagingFailure(status), "cannot import the picture " + path);
  const Rect bounds{0, 0, bitmap->width(), bitmap->height()};
  return GraphicsImporter(std::move(bitmap), bounds);
}

void GraphicsImporter::draw(Offscreen& destination, int left, int top) {
  if (!locked_) {
    const imaging::ImagingStatus status = bitmap_->lockRows(decoded_);
    if (status != imaging::ImagingStatus::Ok)
      throw MovieToolboxError(imagingFailure(status), "cannot decode the picture");
    locked_ = true;
  }
  const imaging::LockedRows& source = decoded_;

  const int firstRow = std::max(0, top);
  const int endRow = std::min(destination.height(), top + source.height);
  const int firstColumn = std::max(0, left);
  const int endColumn = std::min(destination.width(), left + source.width);
  for (int y = firstRow; y < endRow; ++y) {
    const std::uint8_t* bgr = source.rows + std::ptrdiff_t(y - top) * source.stride +
                              std::ptrdiff_t(firstColumn - left) * 3;
    std::uint8_t* rgb = destination.row(y) + std::ptrdiff_t(firstColumn) * 3;
    for (int x = firstColumn; x < endColumn; ++x, bgr += 3, rgb += 3) {
      rgb[0] = bgr[2];
      rgb[1] = bgr[1];
      rgb[2] = bgr[0];
    }
  }
}

}  // namespace skylacer::toolbox
