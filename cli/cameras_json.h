// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/buffers.h"
#include "engine/camera.h"
#include "engine/verification.h"

namespace skylacer::cli {

// One photograph's camera as a user reads it: angles in degrees, focal length in pixels.
struct CameraReport {
  std::string file;
  double yawDegrees = 0;    // turn to the right about the vertical, photo 0 at 0
  double pitchDegrees = 0;  // tilt of the optical axis, upwards positive
  double rollDegrees = 0;   // clockwise about the optical axis as the photographer sees it
  double focalPixels = 0;   // focal length in pixels of the full-size photo
  // The engine's lens model: a photo shows the ideal point (x, y) at (x · (1 - k · y²), y),
  // coordinates in half photo widths from the centre. This is k.
  double horizontalSqueezePerHeightSquared = 0;
  // The radial lens the precise alignment estimates: a point at radius r from the centre shows
  // at r · (1 + k1 · r²), radii in focal lengths (0 for the other alignments). This is k1.
  double radialK1 = 0;
};

// Reads the angles out of absolute cameras (the engine's levelled world: x right, y down,
// z forward), the focal length scaled to a photo `photoWidth` pixels wide. Yaw is measured from
// photo 0 and unwrapped so that each photo lies within half a turn of the one before it.
std::vector<CameraReport> reportCameras(const std::vector<CameraRecord>& cameras,
                                        const std::vector<std::string>& files, int photoWidth);

// How sure the alignment is of one neighbouring pair.
struct PairReport {
  int firstPhoto = 0;  // numbers from 1
  int secondPhoto = 0;
  double confidence = 0;   // 0..1, sure from 0.5 (pairConfidence)
  int featureMatches = 0;  // matches the pair's rotation explains; 0 when it had no estimate
};

// The pairs 1..m of a stitch (evidence index 0 unused; a full circle's closing pair last).
std::vector<PairReport> reportPairs(const std::vector<PairEvidence>& evidence, std::size_t photos);

// The cameras, the pairs and the panorama's size and field of view as a JSON document. Numbers
// are written the same in every locale; a number that is not finite is written as null.
std::string camerasJson(const std::vector<CameraReport>& cameras, ImageSize panoramaSize,
                        double fieldOfViewDegrees, const std::vector<PairReport>& pairs = {});

}  // namespace skylacer::cli
