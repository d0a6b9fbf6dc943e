// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Photo series with known cameras, rendered from one picture treated as a cylindrical panorama:
// the ground truth of the alignment tests.
//
// Frames: world x to the right, y downwards, z forward at yaw 0. A photo pixel (c, r) of a
// W x H photo lies at the engine's normalised coordinates x = (2c - W) / W, y = (2r - H) / W,
// and its ideal ray in camera coordinates is (x, y, focal) before lens distortion.

#include <cstddef>
#include <span>
#include <vector>

#include "engine/buffers.h"
#include "engine/features.h"
#include "engine/geometry.h"

namespace skylacer::test {

struct CameraPose {
  double yaw = 0;    // radians, > 0 turned to the right about the vertical axis
  double roll = 0;   // radians about the optical axis
  double pitch = 0;  // radians, > 0 tilted up (the optical axis gains a negative y)
};

// Camera coordinates to world: the roll about z first, then the pitch about x, then the yaw
// about y.
Matrix3 cameraToWorld(CameraPose pose);

struct PhotoSeries {
  ImageSize photoSize;
  double focal = 2.4;  // half photo widths
  std::vector<CameraPose> poses;
  // The engine's own per-photo lens mapping: a photo shows the ideal point (x, y) at
  // (x · (1 - k·y²), y), normalised coordinates.
  double engineDistortion = 0;
  // True radial distortion: r_d = r_u · (1 + k1 · r_u²), radii in focal lengths from the centre.
  double radialDistortion = 0;
  // Brightness factor of each photo; missing entries are 1.
  std::vector<double> gains;
};

// Horizontal field of view of a photo with this focal length (half widths), radians.
double horizontalFieldOfView(double focal);

// Photos turning right by equal yaw steps, hfov x (1 - overlap) each, one roll (radians) per
// photo.
PhotoSeries turningSeries(ImageSize photoSize, double focal, double overlap,
                          const std::vector<double>& rolls);

// A picture wrapped onto the unit cylinder: azimuth θ (radians, right positive) at column
// centreColumn + θ · pixelsPerRadian, height h = y / hypot(x, z) at row
// horizonRow + h · pixelsPerRadian.
struct CylinderPicture {
  RgbImage pixels;
  ImageSize size;
  double pixelsPerRadian = 1;
  double centreColumn = 0;
  double horizonRow = 0;
  bool fullTurn = false;  // columns wrap around: the picture spans 2π
};

// The picture scaled onto the cylinder so that every photo of the (open) series lies inside it.
CylinderPicture fitCylinder(RgbImage picture, ImageSize size, const PhotoSeries& series);
// The picture's width spread over a whole turn, for full circles.
CylinderPicture fullTurnCylinder(RgbImage picture, ImageSize size);

// Photo `index` of the series: bilinear samples of the cylinder, times the photo's gain,
// rounded and held to 1..255 per channel (so no pixel reads as the engine's empty black).
RgbImage renderPhoto(const CylinderPicture& cylinder, const PhotoSeries& series, std::size_t index);

// The colour the cylinder shows at an azimuth (radians, right positive) and height h (y over the
// horizontal distance, downwards positive): bilinear, blue, green, red, 0..255 unrounded.
struct CylinderColour {
  double channel[3];
};
CylinderColour cylinderColour(const CylinderPicture& cylinder, double azimuth, double height);

// Every photo of the series as the engine's luminance planes (makeLuma of each rendering).
std::vector<LumaImage> renderLumaSeries(const CylinderPicture& cylinder, const PhotoSeries& series);

// The luma planes of a series and the features of its photographs' colours, as the stitch run
// hands them to the alignment.
struct AlignmentInput {
  std::vector<LumaImage> planes;
  std::vector<FeatureSet> features;
};
AlignmentInput alignmentInput(std::span<const RgbImage> photos, ImageSize size);

}  // namespace skylacer::test
