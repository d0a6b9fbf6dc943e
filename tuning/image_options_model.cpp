// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/image_options_model.h"

#include <climits>
#include <cmath>

namespace skylacer::tuning {

namespace {

int shown(double value, SizeUnit unit, int base) {
  if (unit == SizeUnit::Pixels) return wholePart(value);
  return base > 0 ? wholePart(value * 100 / base) : 0;
}

double fromShown(int shown, SizeUnit unit, int base) {
  return unit == SizeUnit::Pixels ? shown : static_cast<double>(base) * shown / 100;
}

}  // namespace

SizeUnit sizeUnitOf(std::string_view text) {
  return text == "pixels" ? SizeUnit::Pixels : SizeUnit::Percents;
}

const char* sizeUnitText(SizeUnit unit) {
  return unit == SizeUnit::Pixels ? "pixels" : "percents";
}

int wholePart(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

ImageOptionsModel::ImageOptionsModel(double width, double height, int quality, SizeUnit widthUnit,
                                     SizeUnit heightUnit)
    : width_(width),
      height_(height),
      baseWidth_(wholePart(width)),
      baseHeight_(wholePart(height)),
      aspect_(width > 0 && height > 0 ? width / height : 0),
      quality_(quality),
      widthUnit_(widthUnit),
      heightUnit_(heightUnit) {}

ImageSize ImageOptionsModel::wholeSize() const {
  return {wholePart(width_), wholePart(height_)};
}

int ImageOptionsModel::shownWidth() const {
  return shown(width_, widthUnit_, baseWidth_);
}
int ImageOptionsModel::shownHeight() const {
  return shown(height_, heightUnit_, baseHeight_);
}

void ImageOptionsModel::editWidth(int shownWidth) {
  width_ = fromShown(shownWidth, widthUnit_, baseWidth_);
  if (keepAspect_ && aspect_ > 0) height_ = width_ / aspect_;
}

void ImageOptionsModel::editHeight(int shownHeight) {
  height_ = fromShown(shownHeight, heightUnit_, baseHeight_);
  if (keepAspect_ && aspect_ > 0) width_ = aspect_ * height_;
}

void ImageOptionsModel::setKeepAspect(bool on) {
  keepAspect_ = on;
  if (on && aspect_ > 0) height_ = width_ / aspect_;
}

void ImageOptionsModel::takeFields(int shownWidth, int shownHeight) {
  width_ = fromShown(shownWidth, widthUnit_, baseWidth_);
  height_ = fromShown(shownHeight, heightUnit_, baseHeight_);
}

}  // namespace skylacer::tuning
