// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/banded_scaling.h"

#include <algorithm>

#include "engine/optional_progress.h"
#include "engine/parallel.h"
#include "platform/imaging/jpeg_stripes.h"
#include "platform/imaging/pixel_buffer.h"

namespace skylacer::output {

using imaging::Bitmap;
using imaging::ImagingStatus;

namespace {

// Source and target pixels one band touches, together: a few tens of milliseconds of scaling.
constexpr std::int64_t kBandPixels = std::int64_t{1} << 22;
// The share of a scaled encoding's progress given to the scaling; the encoding has the rest.
constexpr double kScalingShare = 0.5;

int bandRows(const Bitmap& source, ImageSize size) {
  const std::int64_t pixels =
      std::int64_t{source.width()} * source.height() + std::int64_t{size.width} * size.height;
  return static_cast<int>(std::clamp<std::int64_t>(
      kBandPixels * size.height / std::max<std::int64_t>(pixels, 1), 1, size.height));
}

}  // namespace

ImagingStatus drawScaledInBands(Bitmap& source, std::uint8_t* target, ImageSize size,
                                IProgress* progress) {
  const int rows = bandRows(source, size);
  const std::int64_t rowBytes = std::int64_t{size.width} * 3;
  for (int top = 0; top < size.height; top += rows) {
    const int height = std::min(rows, size.height - top);
    // The band is a window on the target; the scaled picture is placed so that its row `top`
    // falls on the band's first row, and only the rows inside the window are computed.
    const auto band =
        Bitmap::overPixels(target + top * rowBytes, size.width, height, static_cast<int>(rowBytes));
    if (const ImagingStatus drawn = band->drawScaled(source, 0, -top, size.width, size.height);
        drawn != ImagingStatus::Ok)
      return drawn;
    if (reportStop(progress, static_cast<double>(top + height) / size.height))
      return ImagingStatus::Aborted;
  }
  return ImagingStatus::Ok;
}

ImagingStatus encodeJpegInBands(imaging::ConstPlane picture, const imaging::PhotoMetadata& metadata,
                                int quality, IProgress* progress, std::vector<std::uint8_t>& bytes,
                                int workers) {
  imaging::JpegStripes stripes(picture, quality);
  const int count = stripes.count();
  const bool finished = runBands(
      workers, count, [&](int stripe) { stripes.encode(stripe); },
      [&](int stripe) { return reportStop(progress, static_cast<double>(stripe) / count); });
  if (!finished || reportStop(progress, 1)) return ImagingStatus::Aborted;
  std::vector<std::uint8_t> joined;
  const ImagingStatus status = stripes.join(metadata, joined);
  if (status == ImagingStatus::Ok) bytes.swap(joined);
  return status;
}

ImagingStatus encodeScaledJpeg(Bitmap& source, ImageSize size, int quality, IProgress* progress,
                               std::vector<std::uint8_t>& bytes, int workers) {
  if (size.width < 1 || size.height < 1) return ImagingStatus::InvalidParameter;
  if (std::int64_t{size.width} * size.height > imaging::kMaxPixels)
    return ImagingStatus::ValueOverflow;
  // Memory the system hands out already zero: its pages are first touched band by band as the
  // scaling fills them, not all at once before the first band.
  const imaging::PixelBuffer pixels = imaging::PixelBuffer::allocate(size.width, size.height);
  if (pixels.empty()) return ImagingStatus::OutOfMemory;
  const imaging::Plane plane = pixels.plane();
  pushRange(progress, 0, kScalingShare);
  const ImagingStatus drawn = drawScaledInBands(source, plane.pixels, size, progress);
  popRange(progress);
  if (drawn != ImagingStatus::Ok) return drawn;
  pushRange(progress, kScalingShare, 1);
  const ImagingStatus encoded =
      encodeJpegInBands(plane, source.metadata(), quality, progress, bytes, workers);
  popRange(progress);
  return encoded;
}

}  // namespace skylacer::output
