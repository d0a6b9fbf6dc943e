// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tuner's "Lens" page: automatic detection of the focal length, and the manual lens choice
// as a slider from wide-angle to zoom coupled with the focal length in millimetres. Releasing
// the slider (or moving it with the keyboard) sets the focal length of its position; an edit of
// the focal length moves the slider.

#include <QCoreApplication>

#include "tuning/tuner_page.h"

namespace skylacer::tuning {

class IntegerSpinEdit;
class LensSlider;

class CFocalLengthPage : public TunerPage {
  Q_DECLARE_TR_FUNCTIONS(CFocalLengthPage)

 public:
  CFocalLengthPage(TunerModel& model, IntegerFieldReader& reader, std::function<void()> changed);

  void showValues() override;

 protected:
  void fieldEdited(TunerField field) override;

 private:
  void sliderMoved();
  void showSlider();

  LensSlider* slider_;
  IntegerSpinEdit* focalLength_;
};

}  // namespace skylacer::tuning
