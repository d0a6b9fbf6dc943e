// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Distinctive points of a photograph's working plane and their matches between two
// photographs: the evidence the pair estimate draws each pair's rotation from, independently of
// the coarse search's correlation peak.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/buffers.h"

namespace skylacer {

// A point in normalised coordinates of the working plane (the width spans -1..1, y grows
// downwards; see engine/camera.h).
struct FeaturePoint {
  double x = 0;
  double y = 0;
};

// An 8-bit grey plane, width x height, row-major with no gap.
using GreyImage = std::vector<std::uint8_t>;
// The features of one photograph: points with one descriptor each (kDescriptorLength floats,
// row by row), ordered by strength, then position, so that the set does not depend on how many
// cores found it; and the working plane they were found on, where matches are refined.
struct FeatureSet {
  static constexpr int kDescriptorLength = 128;
  std::vector<FeaturePoint> points;
  std::vector<float> descriptors;
  GreyImage plane;
  ImageSize planeSize;
};

// Luminance (0.299 R + 0.587 G + 0.114 B) of a colour buffer.
GreyImage greyFromRgb(std::span<const std::uint8_t> rgb, ImageSize size);
// A luma plane (0..765) scaled to 0..255.
GreyImage greyFromLuma(const LumaImage& luma, ImageSize size);

// The features of a working plane (kept in the set), found on a copy halved while it holds more
// than kFeaturePlanePixels: corners (where the gradients vary in every direction) at most
// kMostFeatures, spread over the plane, each described by the directions of the gradients
// around it.
constexpr std::int64_t kFeaturePlanePixels = std::int64_t{1} << 19;
constexpr int kMostFeatures = 1500;
FeatureSet detectFeatures(GreyImage plane, ImageSize size);

// The working matrices of detectFeatures, kept from one photograph to the next by a caller that
// finds the features of many, one photograph at a time.
class FeatureScratch {
 public:
  FeatureScratch();
  FeatureScratch(FeatureScratch&&) noexcept;
  FeatureScratch& operator=(FeatureScratch&&) noexcept;
  ~FeatureScratch();
  struct Mats;

 private:
  friend FeatureSet detectFeatures(GreyImage plane, ImageSize size, FeatureScratch& scratch);
  std::unique_ptr<Mats> mats_;
};
// The same features, found with `scratch`'s matrices.
FeatureSet detectFeatures(GreyImage plane, ImageSize size, FeatureScratch& scratch);

// A point of the previous photograph and the point of the new one it matches.
struct FeatureMatch {
  FeaturePoint previous;
  FeaturePoint current;
};

// Each new feature's nearest previous feature, kept when it is clearly nearer than the second
// nearest (distance ratio under 0.8). In the order of the new photograph's features. The search
// is shared among up to `workers` threads; the result is the same for any number.
std::vector<FeatureMatch> matchFeatures(const FeatureSet& previous, const FeatureSet& current,
                                        int workers = 1);

}  // namespace skylacer
