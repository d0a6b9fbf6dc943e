// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/synth_series.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace skylacer::test {

namespace {

constexpr int kRadialIterations = 20;

// The ideal ray of a photo point at distorted normalised coordinates (x, y).
Vec3 idealRay(const PhotoSeries& series, double x, double y) {
  const double f = series.focal;
  if (series.engineDistortion != 0) x /= 1 - series.engineDistortion * y * y;
  if (series.radialDistortion != 0) {
    const double xd = x / f;
    const double yd = y / f;
    const double rd = std::hypot(xd, yd);
    double ru = rd;
    for (int i = 0; i < kRadialIterations; ++i) ru = rd / (1 + series.radialDistortion * ru * ru);
    if (rd > 0) {
      x *= ru / rd;
      y *= ru / rd;
    }
  }
  return {x, y, f};
}

struct CylinderPoint {
  double azimuth;
  double height;
};

CylinderPoint onCylinder(Vec3 world) {
  return {std::atan2(world.x, world.z), world.y / std::hypot(world.x, world.z)};
}

double normalisedX(int column, ImageSize size) {
  return static_cast<double>(2 * column - size.width) / size.width;
}

double normalisedY(int row, ImageSize size) {
  return static_cast<double>(2 * row - size.height) / size.width;
}

// Bilinear sample of channel `channel` at (u, v); columns wrap for a full turn, positions are
// held inside the picture otherwise.
double sampleChannel(const CylinderPicture& cylinder, double u, double v, int channel) {
  const int width = cylinder.size.width;
  const int height = cylinder.size.height;
  if (cylinder.fullTurn) {
    u = std::fmod(u, width);
    if (u < 0) u += width;
  } else {
    u = std::clamp(u, 0.0, width - 1.001);
  }
  v = std::clamp(v, 0.0, height - 1.001);
  const int u0 = static_cast<int>(u);
  const int v0 = static_cast<int>(v);
  const int u1 = (u0 + 1) % width;
  const int v1 = v0 + 1;
  const double fu = u - u0;
  const double fv = v - v0;
  auto at = [&](int x, int y) {
    return static_cast<double>(
        cylinder.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)) *
                            3 +
                        static_cast<std::size_t>(channel)]);
  };
  return (at(u0, v0) * (1 - fu) + at(u1, v0) * fu) * (1 - fv) +
         (at(u0, v1) * (1 - fu) + at(u1, v1) * fu) * fv;
}

// Azimuths and heights the border of a photo at yaw 0 covers.
struct Extent {
  double azimuthMin = 1e9;
  double azimuthMax = -1e9;
  double heightMin = 1e9;
  double heightMax = -1e9;
};

Extent photoExtent(const PhotoSeries& series, CameraPose pose) {
  const ImageSize photo = series.photoSize;
  const Matrix3 toWorld = cameraToWorld({0, pose.roll, pose.pitch});
  Extent extent;
  auto cover = [&](int column, int row) {
    const Vec3 ray = idealRay(series, normalisedX(column, photo), normalisedY(row, photo));
    const CylinderPoint point = onCylinder(toWorld * ray);
    extent.azimuthMin = std::min(extent.azimuthMin, point.azimuth);
    extent.azimuthMax = std::max(extent.azimuthMax, point.azimuth);
    extent.heightMin = std::min(extent.heightMin, point.height);
    extent.heightMax = std::max(extent.heightMax, point.height);
  };
  for (int c = 0; c <= photo.width; c += 4) {
    cover(c, 0);
    cover(c, photo.height);
  }
  for (int r = 0; r <= photo.height; r += 4) {
    cover(0, r);
    cover(photo.width, r);
  }
  return extent;
}

}  // namespace

Matrix3 cameraToWorld(CameraPose pose) {
  const double cy = std::cos(pose.yaw);
  const double sy = std::sin(pose.yaw);
  const double cr = std::cos(pose.roll);
  const double sr = std::sin(pose.roll);
  const double cp = std::cos(pose.pitch);
  const double sp = std::sin(pose.pitch);
  const Matrix3 yaw = {{{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}}};
  const Matrix3 pitch = {{{1, 0, 0}, {0, cp, -sp}, {0, sp, cp}}};
  const Matrix3 roll = {{{cr, -sr, 0}, {sr, cr, 0}, {0, 0, 1}}};
  return yaw * pitch * roll;
}

double horizontalFieldOfView(double focal) {
  return 2 * std::atan(1 / focal);
}

PhotoSeries turningSeries(ImageSize photoSize, double focal, double overlap,
                          const std::vector<double>& rolls) {
  PhotoSeries series;
  series.photoSize = photoSize;
  series.focal = focal;
  const double step = horizontalFieldOfView(focal) * (1 - overlap);
  for (std::size_t i = 0; i < rolls.size(); ++i)
    series.poses.push_back({step * static_cast<double>(i), rolls[i]});
  return series;
}

CylinderPicture fitCylinder(RgbImage picture, ImageSize size, const PhotoSeries& series) {
  double azimuthMin = 1e9, azimuthMax = -1e9, heightMin = 1e9, heightMax = -1e9;
  for (const CameraPose& pose : series.poses) {
    // Azimuths are taken about the photo's own yaw, then shifted, so that none wraps at ±π.
    const Extent border = photoExtent(series, pose);
    azimuthMin = std::min(azimuthMin, border.azimuthMin + pose.yaw);
    azimuthMax = std::max(azimuthMax, border.azimuthMax + pose.yaw);
    heightMin = std::min(heightMin, border.heightMin);
    heightMax = std::max(heightMax, border.heightMax);
  }
  if (azimuthMax - azimuthMin >= 2 * std::numbers::pi)
    throw std::invalid_argument("an open series must span less than a full turn");

  CylinderPicture cylinder;
  cylinder.size = size;
  cylinder.pixels = std::move(picture);
  // A small margin keeps bilinear samples off the picture's border.
  constexpr double kMargin = 1.02;
  const double horizon = (size.height - 1) / 2.0;
  double scale = (size.width - 2) / ((azimuthMax - azimuthMin) * kMargin);
  if (heightMin < 0) scale = std::min(scale, (horizon - 1) / (-heightMin * kMargin));
  if (heightMax > 0) scale = std::min(scale, (size.height - 2 - horizon) / (heightMax * kMargin));
  cylinder.pixelsPerRadian = scale;
  cylinder.centreColumn = (size.width - 1) / 2.0 - (azimuthMin + azimuthMax) / 2 * scale;
  cylinder.horizonRow = horizon;
  return cylinder;
}

CylinderPicture fullTurnCylinder(RgbImage picture, ImageSize size) {
  CylinderPicture cylinder;
  cylinder.size = size;
  cylinder.pixels = std::move(picture);
  cylinder.pixelsPerRadian = size.width / (2 * std::numbers::pi);
  cylinder.centreColumn = 0;
  cylinder.horizonRow = (size.height - 1) / 2.0;
  cylinder.fullTurn = true;
  return cylinder;
}

RgbImage renderPhoto(const CylinderPicture& cylinder, const PhotoSeries& series,
                     std::size_t index) {
  const ImageSize size = series.photoSize;
  const CameraPose pose = series.poses.at(index);
  const Matrix3 unturned = cameraToWorld({0, pose.roll, pose.pitch});
  const double gain = index < series.gains.size() ? series.gains[index] : 1.0;
  RgbImage photo = makeRgbImage(size);
  std::uint8_t* out = photo.data();
  for (int r = 0; r < size.height; ++r) {
    for (int c = 0; c < size.width; ++c) {
      const Vec3 ray = idealRay(series, normalisedX(c, size), normalisedY(r, size));
      const CylinderPoint point = onCylinder(unturned * ray);
      const double u =
          cylinder.centreColumn + (point.azimuth + pose.yaw) * cylinder.pixelsPerRadian;
      const double v = cylinder.horizonRow + point.height * cylinder.pixelsPerRadian;
      for (int channel = 0; channel < 3; ++channel) {
        const double value = std::round(sampleChannel(cylinder, u, v, channel) * gain);
        *out++ = static_cast<std::uint8_t>(std::clamp(value, 1.0, 255.0));
      }
    }
  }
  return photo;
}

CylinderColour cylinderColour(const CylinderPicture& cylinder, double azimuth, double height) {
  const double u = cylinder.centreColumn + azimuth * cylinder.pixelsPerRadian;
  const double v = cylinder.horizonRow + height * cylinder.pixelsPerRadian;
  CylinderColour colour;
  for (int channel = 0; channel < 3; ++channel)
    colour.channel[channel] = sampleChannel(cylinder, u, v, channel);
  return colour;
}

std::vector<LumaImage> renderLumaSeries(const CylinderPicture& cylinder,
                                        const PhotoSeries& series) {
  std::vector<LumaImage> planes;
  for (std::size_t i = 0; i < series.poses.size(); ++i)
    planes.push_back(makeLuma(renderPhoto(cylinder, series, i), series.photoSize));
  return planes;
}

AlignmentInput alignmentInput(std::span<const RgbImage> photos, ImageSize size) {
  AlignmentInput input;
  for (const RgbImage& photo : photos) {
    input.planes.push_back(makeLuma(photo, size));
    input.features.push_back(detectFeatures(greyFromRgb(photo, size), size));
  }
  return input;
}

}  // namespace skylacer::test
