// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pyramid.h"

#include <array>
#include <utility>

namespace skylacer {

namespace {

constexpr int kBlurHalvings = 4;

}  // namespace

void highPassFilter(std::int16_t* plane, ImageSize size) {
  const std::size_t count = checkedElementCount(size, 1);
  if (count == 0) return;
  LumaImage a(plane, plane + count);
  LumaImage b(count);

  std::array<ImageSize, kBlurHalvings + 1> sizes;
  sizes[0] = size;
  for (int k = 1; k <= kBlurHalvings; ++k)
    sizes[k] = {(sizes[k - 1].width + 1) / 2, (sizes[k - 1].height + 1) / 2};

  // Halvings and enlargements alternate between the two work planes: an even number of each
  // leaves the blurred plane in `a`.
  std::int16_t* from = a.data();
  std::int16_t* to = b.data();
  for (int k = 1; k <= kBlurHalvings; ++k) {
    halvePlane(from, sizes[k - 1], to, sizes[k]);
    std::swap(from, to);
  }
  for (int k = kBlurHalvings; k >= 1; --k) {
    expandPlane(from, sizes[k], to, sizes[k - 1]);
    std::swap(from, to);
  }

  for (std::size_t i = 0; i < count; ++i)
    plane[i] = static_cast<std::int16_t>(plane[i] + kHighPassCentre - a[i]);
}

const std::int16_t* LumaPyramid::level(int level) const {
  const auto& own = levels_[static_cast<std::size_t>(level)];
  return level == 0 && own.empty() ? workingPlane_->data() : own.data();
}

LumaPyramid buildPyramid(const LumaImage& plane0, ImageSize size0, StitchParams& params) {
  LumaPyramid pyramid;
  pyramid.workingPlane_ = &plane0;
  pyramid.levels_.emplace_back();
  pyramid.sizes_.push_back(size0);

  const std::int64_t leastSide = 2 * static_cast<std::int64_t>(params.firstIterSize);
  int k = 0;
  for (;;) {
    const ImageSize size = pyramid.sizes_.back();
    const ImageSize half{size.width / 2, size.height / 2};
    if (size.width < leastSide || size.height < leastSide) break;
    if (half.width == 0 || half.height == 0 || k + 1 >= kMaxPyramidLevels) break;
    const LumaImage& source = k == 0 ? plane0 : pyramid.levels_.back();
    LumaImage reduced = downsample2x2(source, size);
    if (k >= 1) highPassFilter(pyramid.levels_.back().data(), size);
    pyramid.levels_.push_back(std::move(reduced));
    pyramid.sizes_.push_back(half);
    ++k;
  }

  if (k == 0) pyramid.levels_[0] = plane0;
  highPassFilter(pyramid.levels_.back().data(), pyramid.sizes_.back());
  params.coarsestLevel = k;
  return pyramid;
}

SeriesPyramids::SeriesPyramids(const WorkingPlanes& planes, ImageSize size, StitchParams& params)
    : planes_(planes),
      size_(size),
      params_(params),
      levelZero_(planes.count()),
      pyramids_(planes.count()) {}

const LumaPyramid& SeriesPyramids::of(std::size_t photo) {
  std::optional<LumaPyramid>& pyramid = pyramids_.at(photo);
  if (!pyramid) {
    LumaImage& plane = levelZero_[photo];
    plane = planes_.plane(photo);
    pyramid = buildPyramid(plane, size_, params_);
  }
  return *pyramid;
}

void SeriesPyramids::forget(std::size_t photo) {
  pyramids_.at(photo).reset();
  LumaImage().swap(levelZero_[photo]);
}

}  // namespace skylacer
