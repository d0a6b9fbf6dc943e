// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Luminance pyramids of the photographs: each level half the size of the one before and
// high-pass filtered, for the coarse search and the photometric refinement. Planes are those of
// engine/buffers.h at the working size.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/buffers.h"
#include "engine/params.h"
#include "engine/working_planes.h"

namespace skylacer {

// The value a high-pass filtered plane is centred on.
constexpr int kHighPassCentre = 384;

// Removes the large-scale brightness of a plane in place: the plane minus a blur made by
// halving it four times and enlarging it back, re-centred on kHighPassCentre (16-bit arithmetic).
void highPassFilter(std::int16_t* plane, ImageSize size);

// Most levels a pyramid has (levels 0..15), whatever firstIterSize says.
constexpr int kMaxPyramidLevels = 16;

// Levels 0..coarsestLevel() of one photograph, each half the size of the one before
// (integer halving). Level 0 is the caller's working plane, which must outlive the pyramid;
// the pyramid owns the levels it made.
class LumaPyramid {
 public:
  int coarsestLevel() const { return static_cast<int>(sizes_.size()) - 1; }
  ImageSize size(int level) const { return sizes_[static_cast<std::size_t>(level)]; }
  const std::int16_t* level(int level) const;

 private:
  friend LumaPyramid buildPyramid(const LumaImage&, ImageSize, StitchParams&);

  const LumaImage* workingPlane_ = nullptr;
  // levels_[k] for k >= 1. levels_[0] stays empty unless level 0 is the only level: then it
  // holds the filtered copy of the working plane, which itself is never changed.
  std::vector<LumaImage> levels_;
  std::vector<ImageSize> sizes_;
};

// Halves while a level's width and height are both at least 2 x firstIterSize, each new level
// made from the unfiltered one before it; every level but 0 is then high-pass filtered, and
// level 0 too when it is the only one. Halving also stops before a level would be empty and
// at kMaxPyramidLevels levels. Writes the index of the coarsest level into
// params.coarsestLevel.
LumaPyramid buildPyramid(const LumaImage& plane0, ImageSize size0, StitchParams& params);

// The pyramids of a series' working planes (all of one size), each built from its plane the
// first time a pair asks for it and kept, with the plane, until forgotten or the object ends: a
// photograph takes part in two pairs, and the series realignment comes back to pairs already
// refined. The planes and params must outlive it.
class SeriesPyramids {
 public:
  SeriesPyramids(const WorkingPlanes& planes, ImageSize size, StitchParams& params);
  std::size_t count() const { return planes_.count(); }
  // Photograph `photo`'s pyramid; building it writes params.coarsestLevel (buildPyramid).
  const LumaPyramid& of(std::size_t photo);
  // Frees photograph `photo`'s pyramid and plane; asked for again, they are made again.
  void forget(std::size_t photo);

 private:
  const WorkingPlanes& planes_;
  ImageSize size_;
  StitchParams& params_;
  // Per photograph: the plane level 0 of its pyramid reads, and the pyramid.
  std::vector<LumaImage> levelZero_;
  std::vector<std::optional<LumaPyramid>> pyramids_;
};

}  // namespace skylacer
