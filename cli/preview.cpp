#include "cli/preview.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/imaging/bitmap.h"

namespace skylacer::cli {

using imaging::Bitmap;
using imaging::ImagingStatus;

namespace {

int fail(const std::string& what, ImagingStatus status) {
  std::fprintf(stderr, "panorama-cli: %s (error code %d)\n", what.c_str(), static_cast<int>(status));
  return 1;
}

}  // namespace

int writePreviewStrip(const std::vector<std::string>& photos, int height,
                      const std::string& outputPath) {
  std::vector<std::unique_ptr<Bitmap>> bitmaps;
  std::vector<int> widths;
  long long totalWidth = 0;
  for (const auto& path : photos) {
    auto bitmap = Bitmap::fromFile(path);
    if (bitmap->lastStatus() != ImagingStatus::Ok || bitmap->height() <= 0)
      return fail(path + ": cannot read the photo", bitmap->lastStatus());
    const long long width =
        std::max(1LL, static_cast<long long>(bitmap->width()) * height / bitmap->height());
    totalWidth += width;
    widths.push_back(static_cast<int>(width));
    bitmaps.push_back(std::move(bitmap));
  }
  if (totalWidth * height > imaging::kMaxPixels)
    return fail("the preview would be too large", ImagingStatus::ValueOverflow);

  auto strip = Bitmap::blank(static_cast<int>(totalWidth), height);
  if (strip->lastStatus() != ImagingStatus::Ok)
    return fail("cannot make the preview", strip->lastStatus());
  int x = 0;
  for (std::size_t i = 0; i < bitmaps.size(); ++i) {
    if (strip->drawScaled(*bitmaps[i], x, 0, widths[i], height) != ImagingStatus::Ok)
      return fail(photos[i] + ": cannot scale the photo", strip->lastStatus());
    bitmaps[i]->release();
    x += widths[i];
  }
  if (strip->saveJpeg(outputPath, 85) != ImagingStatus::Ok)
    return fail(outputPath + ": cannot write the preview", strip->lastStatus());
  std::printf("%s: %d photos, %lld x %d pixels\n", outputPath.c_str(),
              static_cast<int>(photos.size()), totalWidth, height);
  return 0;
}

}  // namespace skylacer::cli
