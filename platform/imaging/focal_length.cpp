// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/focal_length.h"

#include <algorithm>
#include <cmath>

namespace skylacer::imaging {
namespace {

constexpr double kFullFrameDiagonalMm = 43.266615305567875;  // hypot(36, 24)
// The recorded and the delivered picture count as one shape within this share.
constexpr double kSameShape = 0.01;

std::optional<double> millimetresPerUnit(std::optional<int> unit) {
  switch (unit.value_or(2)) {
    case 2:
      return 25.4;
    case 3:
      return 10.0;
    case 4:
      return 1.0;
    case 5:
      return 0.001;
    default:
      return std::nullopt;
  }
}

std::optional<double> fromFocalPlane(const ExifData& exif, int width, int height) {
  if (!exif.focalLengthMm || !exif.focalPlaneXResolution || !exif.pixelXDimension ||
      !exif.pixelYDimension)
    return std::nullopt;
  const std::optional<double> unit = millimetresPerUnit(exif.focalPlaneResolutionUnit);
  if (!unit) return std::nullopt;
  const double recordedLong = std::max(*exif.pixelXDimension, *exif.pixelYDimension);
  const double recordedShort = std::min(*exif.pixelXDimension, *exif.pixelYDimension);
  const double deliveredLong = std::max(width, height);
  const double deliveredShort = std::min(width, height);
  const double recordedShape = recordedLong / recordedShort;
  if (std::abs(recordedShape - deliveredLong / deliveredShort) > kSameShape * recordedShape)
    return std::nullopt;
  const double pixelsPerMm = *exif.focalPlaneXResolution / *unit;
  return *exif.focalLengthMm * pixelsPerMm * deliveredLong / recordedLong;
}

std::optional<double> from35mmEquivalent(const ExifData& exif, int width, int height) {
  if (!exif.focalLength35mm) return std::nullopt;
  return *exif.focalLength35mm *
         std::hypot(static_cast<double>(width), static_cast<double>(height)) / kFullFrameDiagonalMm;
}

}  // namespace

std::optional<double> focalLengthPixels(const ExifData& exif, int width, int height) {
  if (width < 1 || height < 1) return std::nullopt;
  const std::optional<double> sensor = fromFocalPlane(exif, width, height);
  const std::optional<double> equivalent = from35mmEquivalent(exif, width, height);
  std::optional<double> focal = sensor ? sensor : equivalent;
  if (sensor && equivalent &&
      std::abs(*sensor - *equivalent) > kMostSourceDisagreement * *equivalent)
    focal = equivalent;
  const double longSide = std::max(width, height);
  if (!focal || *focal < kLeastFocalPerLongSide * longSide ||
      *focal > kMostFocalPerLongSide * longSide)
    return std::nullopt;
  return focal;
}

}  // namespace skylacer::imaging
