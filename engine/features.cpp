// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/features.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <memory>
#include <mutex>
#include <numbers>
#include <numeric>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <tuple>
#include <utility>

#include "engine/nearest_descriptors.h"

namespace skylacer {

namespace {

// A point's neighbourhood for its descriptor: kWindow x kWindow pixels of the feature plane in
// kCellsPerSide x kCellsPerSide cells of kOrientations gradient directions each.
constexpr int kWindow = 16;
constexpr int kCellsPerSide = 4;
constexpr int kOrientations = 8;
static_assert(kCellsPerSide * kCellsPerSide * kOrientations == FeatureSet::kDescriptorLength);
static_assert((kOrientations & (kOrientations - 1)) == 0, "bins are counted round with a mask");
// Points this close to the border have no whole neighbourhood.
constexpr int kBorder = kWindow / 2 + 2;
// Side of the window the corner strength (the smaller eigenvalue of the gradients' second moment
// matrix) is summed over, and the radius within which a point must be the strongest.
constexpr int kCornerBlock = 5;
constexpr int kSuppressionRadius = 2;
// Corners weaker than this share of the plane's strongest are left out: low enough for cloud,
// water and sky beside a busy part of the photograph to keep points.
constexpr float kCornerQuality = 1e-3F;
// A descriptor entry is cut to this share of the descriptor's length, so that one strong edge
// (a glare border, an exposure step) does not outweigh the rest.
constexpr float kEntryLimit = 0.2F;
constexpr float kDistanceRatio = 0.8F;

}  // namespace

// The matrices a photograph's features are found with, kept for the next photograph: made anew
// for each, every one would be memory had from the system and touched for the first time again.
struct FeatureScratch::Mats {
  cv::Mat halves[2];
  cv::Mat strength;
  cv::Mat neighbourhoodMax;
  cv::Mat smooth;
  cv::Mat dx;
  cv::Mat dy;
  cv::Mat magnitude;
  cv::Mat angle;
};

FeatureScratch::FeatureScratch() : mats_(std::make_unique<Mats>()) {}
FeatureScratch::FeatureScratch(FeatureScratch&&) noexcept = default;
FeatureScratch& FeatureScratch::operator=(FeatureScratch&&) noexcept = default;
FeatureScratch::~FeatureScratch() = default;

namespace {

using Mats = FeatureScratch::Mats;

// The plane halved (2 x 2 means) `halvings` times, in one of the scratch's halves.
const cv::Mat& reducedPlane(const GreyImage& plane, ImageSize size, int halvings, Mats& mats) {
  const cv::Mat image(size.height, size.width, CV_8UC1, const_cast<std::uint8_t*>(plane.data()));
  if (halvings == 0) {
    image.copyTo(mats.halves[0]);
    return mats.halves[0];
  }
  const cv::Mat* source = &image;
  for (int k = 0; k < halvings; ++k) {
    cv::Mat& half = mats.halves[k % 2];
    cv::resize(*source, half, cv::Size(source->cols / 2, source->rows / 2), 0, 0, cv::INTER_AREA);
    source = &half;
  }
  return *source;
}

struct Corner {
  float strength = 0;
  float x = 0;
  float y = 0;
};

// The vertex of the parabola through three samples around a maximum, within half a pixel.
float peakOffset(float before, float at, float after) {
  const float curvature = before - 2 * at + after;
  if (!(curvature < 0)) return 0;
  return std::clamp(0.5F * (before - after) / curvature, -0.5F, 0.5F);
}

// The plane's corners, strongest first (ties by position): local maxima of the corner strength,
// placed to a fraction of a pixel.
std::vector<Corner> strongestCorners(const cv::Mat& image, Mats& mats) {
  cv::Mat& strength = mats.strength;
  cv::cornerMinEigenVal(image, strength, kCornerBlock, 3);
  cv::Mat& neighbourhoodMax = mats.neighbourhoodMax;
  const int side = 2 * kSuppressionRadius + 1;
  cv::dilate(strength, neighbourhoodMax, cv::getStructuringElement(cv::MORPH_RECT, {side, side}));
  double strongest = 0;
  cv::minMaxLoc(strength, nullptr, &strongest);
  const float floor = kCornerQuality * static_cast<float>(strongest);

  std::vector<Corner> corners;
  for (int y = kBorder; y < image.rows - kBorder; ++y) {
    const float* row = strength.ptr<float>(y);
    const float* above = strength.ptr<float>(y - 1);
    const float* below = strength.ptr<float>(y + 1);
    const float* maxima = neighbourhoodMax.ptr<float>(y);
    for (int x = kBorder; x < image.cols - kBorder; ++x) {
      const float value = row[x];
      if (!(value > floor) || value < maxima[x]) continue;
      corners.push_back({value, static_cast<float>(x) + peakOffset(row[x - 1], value, row[x + 1]),
                         static_cast<float>(y) + peakOffset(above[x], value, below[x])});
    }
  }
  std::sort(corners.begin(), corners.end(), [](const Corner& a, const Corner& b) {
    return std::tie(b.strength, a.y, a.x) < std::tie(a.strength, b.y, b.x);
  });
  return corners;
}

// At most kMostFeatures of the corners (strongest first), the strongest of every cell of a
// kCells x kCells grid taken first, so that sky, water or cloud beside a busy part of the
// photograph keep their few points, which may be all an overlap has.
constexpr int kCells = 8;
std::vector<Corner> spreadOverPlane(const std::vector<Corner>& strongestFirst, int width,
                                    int height) {
  if (strongestFirst.size() <= static_cast<std::size_t>(kMostFeatures)) return strongestFirst;
  constexpr int quota = kMostFeatures / (2 * kCells * kCells);
  std::vector<int> taken(kCells * kCells, 0);
  std::vector<bool> chosen(strongestFirst.size(), false);
  std::size_t count = 0;
  for (std::size_t i = 0; i < strongestFirst.size(); ++i) {
    const int cx =
        std::clamp(static_cast<int>(strongestFirst[i].x * kCells / width), 0, kCells - 1);
    const int cy =
        std::clamp(static_cast<int>(strongestFirst[i].y * kCells / height), 0, kCells - 1);
    int& cell = taken[static_cast<std::size_t>(cy * kCells + cx)];
    if (cell < quota) {
      ++cell;
      chosen[i] = true;
      ++count;
    }
  }
  for (std::size_t i = 0; i < strongestFirst.size() && count < kMostFeatures; ++i) {
    if (chosen[i]) continue;
    chosen[i] = true;
    ++count;
  }
  std::vector<Corner> spread;
  spread.reserve(count);
  for (std::size_t i = 0; i < strongestFirst.size(); ++i)
    if (chosen[i]) spread.push_back(strongestFirst[i]);
  return spread;
}

// Gradient length and direction (radians, 0..2π) of the plane, lightly smoothed first so that
// JPEG blocks and noise do not set the directions.
struct Gradients {
  const cv::Mat& magnitude;
  const cv::Mat& angle;
};
Gradients planeGradients(const cv::Mat& image, Mats& mats) {
  image.convertTo(mats.smooth, CV_32F);
  cv::GaussianBlur(mats.smooth, mats.smooth, cv::Size(5, 5), 1.0);
  const cv::Mat central = (cv::Mat_<float>(1, 3) << -0.5F, 0.0F, 0.5F);
  cv::filter2D(mats.smooth, mats.dx, CV_32F, central);
  cv::filter2D(mats.smooth, mats.dy, CV_32F, central.t());
  cv::cartToPolar(mats.dx, mats.dy, mats.magnitude, mats.angle);
  return {mats.magnitude, mats.angle};
}

// What a pixel of the window contributes apart from its gradient, the same around every corner:
// its weight for the distance from the corner and the (up to) 2 x 2 cells it is spread over
// that lie inside the window, each with its shares.
struct CellShare {
  int offset = 0;         // of the cell's first direction in the descriptor
  float rowShare = 0;     // of the cell's row, 1 - s or s for the upper or the lower cell
  float columnShare = 0;  // the same for the cell's column
};
struct WindowPixel {
  float falloff = 0;  // exp(-(dx² + dy²) / (2 half²)), (dx, dy) from the window's centre
  int cellCount = 0;
  std::array<CellShare, 4> cells;  // upper before lower, left before right
};
using WindowPixels = std::array<WindowPixel, kWindow * kWindow>;

WindowPixels makeWindowPixels() {
  constexpr float half = kWindow / 2.0F;
  constexpr float cellSize = static_cast<float>(kWindow) / kCellsPerSide;
  constexpr float weightScale = -1.0F / (2 * half * half);
  WindowPixels pixels;
  for (int row = 0; row < kWindow; ++row) {
    const float dy = static_cast<float>(row) + 0.5F - half;
    const float cellRow = (static_cast<float>(row) + 0.5F) / cellSize - 0.5F;
    const int firstRow = static_cast<int>(std::floor(cellRow));
    const float rowShare = cellRow - static_cast<float>(firstRow);
    for (int column = 0; column < kWindow; ++column) {
      const float dx = static_cast<float>(column) + 0.5F - half;
      const float cellColumn = (static_cast<float>(column) + 0.5F) / cellSize - 0.5F;
      const int firstColumn = static_cast<int>(std::floor(cellColumn));
      const float columnShare = cellColumn - static_cast<float>(firstColumn);
      WindowPixel& pixel = pixels[static_cast<std::size_t>(row * kWindow + column)];
      pixel.falloff = std::exp((dx * dx + dy * dy) * weightScale);
      for (int i = 0; i < 2; ++i) {
        const int r = firstRow + i;
        if (r < 0 || r >= kCellsPerSide) continue;
        for (int j = 0; j < 2; ++j) {
          const int c = firstColumn + j;
          if (c < 0 || c >= kCellsPerSide) continue;
          pixel.cells[static_cast<std::size_t>(pixel.cellCount++)] = {
              (r * kCellsPerSide + c) * kOrientations, i == 0 ? 1 - rowShare : rowShare,
              j == 0 ? 1 - columnShare : columnShare};
        }
      }
    }
  }
  return pixels;
}

// The descriptor of the window around a corner: the gradient directions of each cell, weighted
// by length and by distance from the corner, spread linearly over neighbouring cells and
// directions. Upright: the photographs of a series share their roll within a few degrees.
void describe(const Gradients& gradients, const Corner& corner, float* descriptor) {
  static const WindowPixels window = makeWindowPixels();
  std::fill(descriptor, descriptor + FeatureSet::kDescriptorLength, 0.0F);
  const int cx = static_cast<int>(std::lround(corner.x));
  const int cy = static_cast<int>(std::lround(corner.y));
  constexpr float binsPerRadian = kOrientations / (2 * std::numbers::pi_v<float>);
  for (int row = 0; row < kWindow; ++row) {
    const int y = cy - kWindow / 2 + row;
    const float* magnitude = gradients.magnitude.ptr<float>(y);
    const float* angle = gradients.angle.ptr<float>(y);
    for (int column = 0; column < kWindow; ++column) {
      const int x = cx - kWindow / 2 + column;
      const WindowPixel& pixel = window[static_cast<std::size_t>(row * kWindow + column)];
      const float weight = magnitude[x] * pixel.falloff;
      const float bin = angle[x] * binsPerRadian;
      const int b0 = static_cast<int>(std::floor(bin));
      const float fb = bin - static_cast<float>(b0);
      // The direction's two bins, counted round the circle (b & 7 is b modulo 8 for any sign).
      const int lowerBin = b0 & (kOrientations - 1);
      const int upperBin = (b0 + 1) & (kOrientations - 1);
      for (int k = 0; k < pixel.cellCount; ++k) {
        const CellShare& share = pixel.cells[static_cast<std::size_t>(k)];
        const float cellWeight = weight * share.rowShare * share.columnShare;
        float* cell = descriptor + share.offset;
        cell[lowerBin] += cellWeight * (1 - fb);
        cell[upperBin] += cellWeight * fb;
      }
    }
  }
  // Unit length, entries cut at kEntryLimit, unit length again: a change of exposure scales
  // every gradient alike and leaves the descriptor as it was.
  for (int pass = 0; pass < 2; ++pass) {
    float sum = 0;
    for (int k = 0; k < FeatureSet::kDescriptorLength; ++k) sum += descriptor[k] * descriptor[k];
    const float scale = sum > 0 ? 1 / std::sqrt(sum) : 0;
    for (int k = 0; k < FeatureSet::kDescriptorLength; ++k)
      descriptor[k] =
          pass == 0 ? std::min(descriptor[k] * scale, kEntryLimit) : descriptor[k] * scale;
  }
}

}  // namespace

namespace {

// Compiled twice on x86-64, for processors with 256-bit vectors and for the others, the one for
// the processor chosen when the program starts: integers, the same grey either way.
#if defined(__x86_64__)
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void greyPixels(const std::uint8_t* rgb, std::uint8_t* grey, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* pixel = rgb + 3 * i;  // blue, green, red
    grey[i] =
        static_cast<std::uint8_t>((29 * pixel[0] + 150 * pixel[1] + 77 * pixel[2] + 128) >> 8);
  }
}

}  // namespace

GreyImage greyFromRgb(std::span<const std::uint8_t> rgb, ImageSize size) {
  GreyImage grey(checkedElementCount(size, 1));
  greyPixels(rgb.data(), grey.data(), grey.size());
  return grey;
}

GreyImage greyFromLuma(const LumaImage& luma, ImageSize size) {
  GreyImage grey(checkedElementCount(size, 1));
  for (std::size_t i = 0; i < grey.size(); ++i)
    grey[i] = static_cast<std::uint8_t>(std::clamp(luma[i] / 3, 0, 255));
  return grey;
}

FeatureSet detectFeatures(GreyImage plane, ImageSize size) {
  FeatureScratch scratch;
  return detectFeatures(std::move(plane), size, scratch);
}

FeatureSet detectFeatures(GreyImage plane, ImageSize size, FeatureScratch& scratch) {
  // The stitch finds the features of several photographs at once, a thread each; OpenCV's own
  // threads would only compete with them for the cores, and spin while they wait.
  static std::once_flag ownThreadsOff;
  std::call_once(ownThreadsOff, [] { cv::setNumThreads(0); });
  Mats& mats = *scratch.mats_;
  FeatureSet features;
  if (size.width < 16 || size.height < 16) return features;
  int halvings = 0;
  while (std::int64_t{size.width >> halvings} * (size.height >> halvings) > kFeaturePlanePixels)
    ++halvings;
  const cv::Mat& image = reducedPlane(plane, size, halvings, mats);
  if (image.cols <= 2 * kBorder || image.rows <= 2 * kBorder) return features;

  const std::vector<Corner> corners =
      spreadOverPlane(strongestCorners(image, mats), image.cols, image.rows);
  const Gradients gradients = planeGradients(image, mats);
  features.descriptors.resize(corners.size() * FeatureSet::kDescriptorLength);
  // A reduced pixel j covers working columns scale·j .. scale·j + scale - 1.
  const double scale = static_cast<double>(1 << halvings);
  const double width = size.width;
  features.points.reserve(corners.size());
  // Described from the top of the plane down, not strongest first: the windows of corners near
  // one another share the gradients' rows, which then come from the cache.
  std::vector<std::size_t> topDown(corners.size());
  std::iota(topDown.begin(), topDown.end(), std::size_t{0});
  std::sort(topDown.begin(), topDown.end(), [&](std::size_t a, std::size_t b) {
    return std::tie(corners[a].y, corners[a].x) < std::tie(corners[b].y, corners[b].x);
  });
  for (const std::size_t i : topDown)
    describe(gradients, corners[i],
             features.descriptors.data() + i * FeatureSet::kDescriptorLength);
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const double column = scale * corners[i].x + (scale - 1) / 2;
    const double row = scale * corners[i].y + (scale - 1) / 2;
    features.points.push_back({(2 * column - width) / width, (2 * row - size.height) / width});
  }
  features.plane = std::move(plane);
  features.planeSize = size;
  return features;
}

std::vector<FeatureMatch> matchFeatures(const FeatureSet& previous, const FeatureSet& current,
                                        int workers) {
  std::vector<FeatureMatch> matches;
  if (previous.points.size() < 2 || current.points.size() < 2) return matches;
  const std::vector<NearestTwo> nearest =
      nearestTwo(current.descriptors, previous.descriptors, FeatureSet::kDescriptorLength,
                 DescriptorVectors::Widest, workers);
  for (std::size_t i = 0; i < nearest.size(); ++i) {
    if (!(nearest[i].nearestDistance < kDistanceRatio * nearest[i].secondDistance)) continue;
    matches.push_back(
        {previous.points[static_cast<std::size_t>(nearest[i].nearest)], current.points[i]});
  }
  return matches;
}

}  // namespace skylacer
