// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The values of "Output Image Options", without any widget: the output size, shown in pixels or
// in percent of the offered size, the aspect ratio it may keep, and the JPEG quality.

#include <string_view>

#include "engine/buffers.h"

namespace skylacer::tuning {

enum class SizeUnit { Pixels, Percents };

// "pixels" is Pixels; any other text counts as Percents.
SizeUnit sizeUnitOf(std::string_view text);
// "pixels" or "percents".
const char* sizeUnitText(SizeUnit unit);

// The integer part of `value`, held to the 32-bit range (a value that is not a number gives 0).
int wholePart(double value);

class ImageOptionsModel {
 public:
  // The offered size (pixels) is the base of the percentages (its integer parts) and gives the
  // aspect ratio width / height kept while "Keep aspect ratio" is on, as it is at the start. An
  // empty offer has no aspect to keep, and its percentages show 0.
  ImageOptionsModel(double width, double height, int quality, SizeUnit widthUnit,
                    SizeUnit heightUnit);

  double width() const { return width_; }
  double height() const { return height_; }
  // The integer parts of width and height.
  ImageSize wholeSize() const;
  int quality() const { return quality_; }
  bool keepAspect() const { return keepAspect_; }
  SizeUnit widthUnit() const { return widthUnit_; }
  SizeUnit heightUnit() const { return heightUnit_; }

  // The fields as shown: the size in pixels, or the integer part of its percentage of the base.
  int shownWidth() const;
  int shownHeight() const;

  // An edit of one field sets that side from the shown value; with the aspect kept, the other
  // side follows (height = width / aspect, width = aspect · height).
  void editWidth(int shown);
  void editHeight(int shown);
  // Switching the aspect on makes the height follow the width.
  void setKeepAspect(bool on);
  // The size stays; the field shows it in the new unit.
  void setWidthUnit(SizeUnit unit) { widthUnit_ = unit; }
  void setHeightUnit(SizeUnit unit) { heightUnit_ = unit; }
  void setQuality(int quality) { quality_ = quality; }

  // Takes both fields as they show (OK): each side is exactly what its field says.
  void takeFields(int shownWidth, int shownHeight);

 private:
  double width_;
  double height_;
  int baseWidth_;
  int baseHeight_;
  double aspect_;
  int quality_;
  bool keepAspect_ = true;
  SizeUnit widthUnit_;
  SizeUnit heightUnit_;
};

}  // namespace skylacer::tuning
