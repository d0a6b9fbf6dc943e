#include "output/banded_scaling.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engine/optional_progress.h"

namespace skylacer::output {

using imaging::Bitmap;
using imaging::ImagingStatus;

namespace {

// Source and target pixels one band touches, together: a few tens of milliseconds of scaling.
constexpr std::int64_t kBandPixels = std::int64_t{1} << 22;

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

ImagingStatus encodeScaledJpeg(Bitmap& source, ImageSize size, int quality, IProgress* progress,
                               std::vector<std::uint8_t>& bytes) {
  if (size.width < 1 || size.height < 1) return ImagingStatus::InvalidParameter;
  if (std::int64_t{size.width} * size.height > imaging::kMaxPixels)
    return ImagingStatus::ValueOverflow;
  std::vector<std::uint8_t> pixels;
  try {
    pixels.resize(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) * 3);
  } catch (const std::bad_alloc&) {
    return ImagingStatus::OutOfMemory;
  }
  if (const ImagingStatus drawn = drawScaledInBands(source, pixels.data(), size, progress);
      drawn != ImagingStatus::Ok)
    return drawn;
  const auto scaled = Bitmap::overPixels(pixels.data(), size.width, size.height, size.width * 3);
  scaled->setMetadata(source.metadata());
  return scaled->encodeJpeg(bytes, quality);
}

}  // namespace skylacer::output
