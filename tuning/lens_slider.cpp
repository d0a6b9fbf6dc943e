// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/lens_slider.h"

#include <QPainter>
#include <QStyleOptionSlider>
#include <QStylePainter>

#include "tuning/lens_scale.h"

namespace skylacer::tuning {

namespace {

constexpr int kTickLength = 4;  // pixels

}  // namespace

LensSlider::LensSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setRange(0, kLensSliderMax);
  setPageStep(30);
  // Makes the style leave room for the marks below the groove; the style's own evenly spaced
  // marks are not drawn (paintEvent).
  setTickPosition(QSlider::TicksBelow);
}

int LensSlider::handleCentreX(int position) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  const int span = groove.width() - handle.width();
  return groove.x() + handle.width() / 2 +
         QStyle::sliderPositionFromValue(minimum(), maximum(), position, span, option.upsideDown);
}

void LensSlider::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionSlider option;
  initStyleOption(&option);
  option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  painter.drawComplexControl(QStyle::CC_Slider, option);

  painter.setPen(palette().color(QPalette::WindowText));
  const int bottom = height() - 1;
  for (int position : lensTickPositions()) {
    const int x = handleCentreX(position);
    painter.drawLine(x, bottom - kTickLength + 1, x, bottom);
  }
}

}  // namespace skylacer::tuning
