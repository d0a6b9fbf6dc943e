// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/preview.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/picture_destination.h"
#include "output/messages.h"
#include "output/output_collisions.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/local_text.h"

namespace skylacer::cli {

using imaging::Bitmap;
using imaging::ImagingStatus;

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "panorama-cli: %s\n", message.c_str());
  return 1;
}

int fail(const std::string& what, ImagingStatus status) {
  return fail(what + ": " + output::imagingReasonText(status));
}

}  // namespace

int writePreviewStrip(const std::vector<std::string>& photos, int height,
                      const std::string& outputPath, const Reporting& reporting) {
  const std::vector<std::filesystem::path> inputs(photos.begin(), photos.end());
  std::vector<output::PlannedOutput> outputs;
  if (outputPath != kStandardStream) outputs.push_back({outputPath, "-o"});
  if (const auto collision = output::findOutputCollision(inputs, outputs)) return fail(*collision);
  std::string failure;
  std::optional<PictureDestination> file = PictureDestination::open(outputPath, failure);
  if (!file) return fail(failure);
  std::vector<std::unique_ptr<Bitmap>> bitmaps;
  std::vector<int> widths;
  long long totalWidth = 0;
  for (const auto& path : photos) {
    auto bitmap = Bitmap::fromFile(path);
    if (bitmap->lastStatus() != ImagingStatus::Ok || bitmap->height() <= 0)
      return fail(localText("cannot read the photo %s", {path}), bitmap->lastStatus());
    const long long width =
        std::max(1LL, static_cast<long long>(bitmap->width()) * height / bitmap->height());
    totalWidth += width;
    widths.push_back(static_cast<int>(width));
    bitmaps.push_back(std::move(bitmap));
  }
  if (totalWidth * height > imaging::kMaxPixels)
    return fail(localText("the preview would be too large"), ImagingStatus::ValueOverflow);

  auto strip = Bitmap::blank(static_cast<int>(totalWidth), height);
  if (strip->lastStatus() != ImagingStatus::Ok)
    return fail(localText("cannot make the preview"), strip->lastStatus());
  int x = 0;
  for (std::size_t i = 0; i < bitmaps.size(); ++i) {
    if (strip->drawScaled(*bitmaps[i], x, 0, widths[i], height) != ImagingStatus::Ok)
      return fail(localText("cannot scale the photo %s", {photos[i]}), strip->lastStatus());
    bitmaps[i]->release();
    x += widths[i];
  }
  std::vector<std::uint8_t> bytes;
  if (strip->encodeJpeg(bytes, 85) != ImagingStatus::Ok)
    return fail(localText("cannot write %s", {outputPath}), strip->lastStatus());
  if (!file->write(bytes, failure) || !file->commit(failure)) return fail(failure);
  reporting.result(localText("%s: %d photos, %lld x %d pixels"), outputPath.c_str(),
                   static_cast<int>(photos.size()), totalWidth, height);
  return 0;
}

}  // namespace skylacer::cli
