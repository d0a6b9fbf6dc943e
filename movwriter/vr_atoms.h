// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The atom containers of a single-node cylindrical VR movie (format version 2.0): the VR world
// carried in the QTVR track's sample description, the node information that is the QTVR
// track's one sample, and the panorama sample that is the panorama track's one sample. All
// numbers inside are big-endian; angles are degrees as IEEE single-precision floats.

#include <cstdint>
#include <string>

#include "movwriter/toolbox/atom_container.h"

namespace skylacer::movwriter {

// Number of tiles the panorama picture is cut into, top to bottom.
inline constexpr int kTileCount = 24;
// Hot spots described in the node information (they have no hot-spot track and never show).
inline constexpr int kHotSpotCount = 254;
// The fixed address stored in every hot spot's 'url ' atom.
inline constexpr const char* kHotSpotAddress = "https://www.example.com/";

// The stored panorama picture: tiles of tileWidth x tileHeight pixels stacked kTileCount high.
struct PanoramaGeometry {
  std::uint32_t tileWidth = 0;   // w: the picture's width, the panorama's height
  std::uint32_t tileHeight = 0;  // t
  std::uint32_t panoramaWidth() const { return tileHeight * kTileCount; }  // P
};

// The tilt limit T in degrees: atan(3.14159 * w / P) * (hfov / 2) / 3.14159 with the halving
// an integer division. For hfov 360 this is the half vertical angle of a cylinder of
// circumference P and height w.
double tiltLimitDegrees(PanoramaGeometry geometry, int hfovDegrees);

// 'vrsc' (default node 1), 'imgp' with a motion and a static 'impn', 'vrnp'/'vrni' 1/'nloc'.
toolbox::AtomContainer vrWorld();

// 'ndhd' for panorama node 1 and 'hspa' with kHotSpotCount 'hots' (ids 1, 2, ...), each with
// its name string "Hot Spot Index %d", a 'url ' hot spot information atom naming it, and the
// address.
toolbox::AtomContainer nodeInformation();

// 'pdat' describing the stored picture, the pan range 0..hfov and the tilt and field-of-view
// limits from T; imageRefTrackIndex is the index of the image track among the panorama track's
// 'imgt' references.
toolbox::AtomContainer panoramaSample(PanoramaGeometry geometry, int hfovDegrees,
                                      std::uint32_t imageRefTrackIndex);

}  // namespace skylacer::movwriter
