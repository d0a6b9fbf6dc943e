// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Lens page's horizontal slider, 0 to 300, with tick marks below it at the positions of
// the marked focal lengths (lens_scale.h) instead of evenly spaced ones.

#include <QSlider>

namespace skylacer::tuning {

class LensSlider : public QSlider {
 public:
  explicit LensSlider(QWidget* parent = nullptr);

  // The x coordinate (widget pixels) of the handle's centre at `position`.
  int handleCentreX(int position) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace skylacer::tuning
