// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/pan_viewer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace skylacer::viewer {

int CPanViewer::setPicture(PictureRows picture, double fieldOfView) {
  if (picture.rows == nullptr || picture.stride < 3 * picture.width) return 0;
  const int tiles = setPictureSize(picture.width, picture.height, fieldOfView);
  if (tiles > 0) picture_ = picture;
  return tiles;
}

int CPanViewer::setPictureSize(int width, int height, double fieldOfView) {
  if (width <= kMaxUnmappableWidth || height < kMinHeight || !std::isfinite(fieldOfView) ||
      fieldOfView <= 0)
    return 0;
  picture_ = PictureRows{};
  width_ = width;
  height_ = height;
  fieldOfView_ = fieldOfView;

  tileSize_ = kMinTileSize;
  while (width_ > kMaxTilesAcross * tileSize_ && tileSize_ < kMaxTileSize) tileSize_ *= 2;
  const int step = tileSize_ - kTileOverlap;
  tilesAcross_ = (width_ - 11) / step + 1;
  // A picture of 10 rows or fewer has one row of tiles (the division truncates towards zero).
  tilesDown_ = (height_ - 11) / step + 1;

  yaw_ = kStartYaw;
  pitch_ = 0;
  field_ = kStartField;
  rotationStep_ = kStartRotationStep;
  autoRotation_ = true;
  redraw_ = true;
  updateLimits();
  return tileCount();
}

int CPanViewer::resizePicture(int width, int height) {
  const double yaw = yaw_;
  const double pitch = pitch_;
  const double field = field_;
  const float rotationStep = rotationStep_;
  const bool autoRotation = autoRotation_;
  const int tiles = setPictureSize(width, height, fieldOfView_);
  if (tiles == 0) return 0;
  yaw_ = yaw;
  pitch_ = pitch;
  field_ = field;
  rotationStep_ = rotationStep;
  autoRotation_ = autoRotation;
  return tiles;
}

std::pair<int, int> CPanViewer::bandSpan(int tileRow, int firstRow, int count) const {
  const int c = (tileSize_ - kTileOverlap) * tileRow;
  // Texture row y shows picture row H - T - c - 1 + y; rows above the picture show row 0.
  const int top = height_ - tileSize_ - c - 1;
  return {std::max(0, top + firstRow), std::max(0, top + firstRow + count - 1)};
}

void CPanViewer::releasePicture() {
  picture_ = PictureRows{};
}

void CPanViewer::setViewport(int width, int height) {
  viewportWidth_ = width;
  viewportHeightPlus6_ = height + 6;
  updateLimits();
}

double CPanViewer::cylinderHeight() const {
  return width_ > 0 ? height_ * fieldOfView_ / width_ : 0;
}

void CPanViewer::updateLimits() {
  const double h = cylinderHeight();
  fieldLimit_ = h / 200;
  if (viewportHeightPlus6_ < viewportWidth_)
    fieldLimit_ *= static_cast<double>(viewportWidth_) / viewportHeightPlus6_;
  pitchLimit_ = std::atan(h / 2);
}

double CPanViewer::horizontalHalfAngle() const {
  return horizontalHalfAngleAt(field_);
}

double CPanViewer::horizontalHalfAngleAt(double field) const {
  if (viewportHeightPlus6_ > viewportWidth_)
    return std::atan(100 * field * viewportWidth_ / viewportHeightPlus6_);
  return std::atan(100 * field);
}

double CPanViewer::limitedField() const {
  return std::max(std::min(field_, fieldLimit_), kMinField);
}

CPanViewer::YawLimit CPanViewer::limitYaw() {
  if (fieldOfView_ >= kFullCircle) return YawLimit::Free;
  const double halfAngle = horizontalHalfAngle();
  if (halfAngle >= fieldOfView_ / 2) {
    // The whole panorama fits in the view: it stays centred and does not turn.
    yaw_ = fieldOfView_ / 2;
    return YawLimit::Centred;
  }
  if (yaw_ < halfAngle) {
    yaw_ = halfAngle;
    return YawLimit::Clamped;
  }
  if (yaw_ > fieldOfView_ - halfAngle) {
    yaw_ = fieldOfView_ - halfAngle;
    return YawLimit::Clamped;
  }
  return YawLimit::Inside;
}

CPanViewer::YawLimit CPanViewer::applyLimits() {
  field_ = limitedField();
  if (pitch_ != 0) {
    const double verticalHalfAngle =
        viewportHeightPlus6_ < viewportWidth_
            ? std::atan(100 * field_ * viewportHeightPlus6_ / viewportWidth_)
            : std::atan(100 * field_);
    if (verticalHalfAngle >= pitchLimit_)
      pitch_ = 0;
    else if (pitch_ < 0 && pitch_ - verticalHalfAngle < -pitchLimit_)
      pitch_ = verticalHalfAngle - pitchLimit_;
    else if (pitch_ > 0 && pitch_ + verticalHalfAngle > pitchLimit_)
      pitch_ = pitchLimit_ - verticalHalfAngle;
  }
  return limitYaw();
}

platform::CameraFrame CPanViewer::camera() {
  const YawLimit limit = applyLimits();
  if (autoRotation_ && limit != YawLimit::Centred) {
    yaw_ += rotationStep_;
    if (applyLimits() == YawLimit::Clamped) rotationStep_ = -rotationStep_;
  }
  const double cosPitch = std::cos(pitch_);
  const double sinPitch = std::sin(pitch_);
  const double cosYaw = std::cos(yaw_);
  const double sinYaw = std::sin(yaw_);
  return platform::CameraFrame{{cosPitch * cosYaw, cosPitch * sinYaw, sinPitch},
                               {sinPitch * cosYaw, sinPitch * sinYaw, cosPitch},
                               field_};
}

bool CPanViewer::needsFrame() const {
  if (redraw_) return true;
  if (!autoRotation_ || tileCount() == 0) return false;
  if (fieldOfView_ >= kFullCircle) return true;
  return horizontalHalfAngleAt(limitedField()) < fieldOfView_ / 2;
}

void CPanViewer::drag(int dx, int dy) {
  yaw_ += dx * kYawPerPixel;
  pitch_ -= dy * kPitchPerPixel;
  redraw_ = true;
}

void CPanViewer::zoom(int dy) {
  field_ += dy * kFieldPerZoomUnit;
  redraw_ = true;
}

void CPanViewer::zoomBy(double factor) {
  field_ = limitedField() * factor;
  redraw_ = true;
}

CPanViewer::TileOrigin CPanViewer::tileOrigin(int index) const {
  if (index < 0 || index >= tileCount()) throw std::out_of_range("tile index out of range");
  const int step = tileSize_ - kTileOverlap;
  return {step * (index % tilesAcross_), step * (index / tilesAcross_)};
}

void CPanViewer::makeTileRows(int index, int firstRow, int count,
                              std::span<std::uint8_t> rows) const {
  const auto [b, c] = tileOrigin(index);
  if (firstRow < 0 || count < 1 || firstRow + count > tileSize_)
    throw std::out_of_range("texture rows out of range");
  if (picture_.rows == nullptr) throw std::logic_error("tiles are made while the picture is held");
  const auto t = static_cast<std::size_t>(tileSize_);
  const std::size_t rowBytes = t * 3;
  if (rows.size() < rowBytes * static_cast<std::size_t>(count))
    throw std::invalid_argument("tile rows too small");

  const int T = tileSize_;
  const int W = width_;
  const int H = height_;
  const int w = std::min(W - b, T);
  const bool fullCircle = fieldOfView_ >= kFullCircle;
  const auto [spanFirst, spanLast] = bandSpan(index / tilesAcross_, firstRow, count);
  if (spanFirst < picture_.firstRow || spanLast >= picture_.firstRow + picture_.height)
    throw std::logic_error("the tile's rows are not held");
  for (int y = firstRow; y < firstRow + count; ++y) {
    // Rows above the picture repeat its top row, so that filtering and the quads' edges never
    // show anything but the picture.
    const int pictureRow = std::max(0, H - T - c - 1 + y);
    const std::uint8_t* source =
        picture_.rows + static_cast<std::size_t>(pictureRow - picture_.firstRow) *
                            static_cast<std::size_t>(picture_.stride);
    std::uint8_t* target = rows.data() + static_cast<std::size_t>(y - firstRow) * rowBytes;
    std::memcpy(target, source + 3 * static_cast<std::size_t>(b), 3 * static_cast<std::size_t>(w));
    // The last tile of a full circle continues with the picture's left edge, wrapping as often
    // as needed; past a partial panorama's right end there is nothing, as before its left end.
    for (int x = w; x < T;) {
      const int run = std::min(T - x, W);
      std::uint8_t* wrapped = target + 3 * static_cast<std::size_t>(x);
      if (fullCircle)
        std::memcpy(wrapped, source, 3 * static_cast<std::size_t>(run));
      else
        std::memset(wrapped, 0, 3 * static_cast<std::size_t>(run));
      x += run;
    }
  }
}

TileQuad CPanViewer::tileQuad(int index) const {
  const auto [b, c] = tileOrigin(index);
  const int T = tileSize_;
  const int W = width_;
  const int H = height_;
  const double fov = fieldOfView_;
  const double thetaLeft = b * fov / (W - kTileOverlap);
  const double thetaRight = (b + T - 5) * fov / (W - kTileOverlap);
  const double zBottom = (c - H / 2) * fov / W;
  const double zTop = (c - H / 2 + T - 5) * fov / W;
  const float s = 2.5f / static_cast<float>(T);
  const auto xL = static_cast<float>(std::cos(thetaLeft));
  const auto yL = static_cast<float>(std::sin(thetaLeft));
  const auto xR = static_cast<float>(std::cos(thetaRight));
  const auto yR = static_cast<float>(std::sin(thetaRight));
  const auto z0 = static_cast<float>(zBottom);
  const auto z1 = static_cast<float>(zTop);
  using platform::TexturedVertex;
  return {TexturedVertex{xL, yL, z0, s, 1 - s}, TexturedVertex{xR, yR, z0, 1 - s, 1 - s},
          TexturedVertex{xR, yR, z1, 1 - s, s}, TexturedVertex{xL, yL, z1, s, s}};
}

}  // namespace skylacer::viewer
