// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/focal_length_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "tuning/field_text.h"
#include "tuning/integer_spin_edit.h"
#include "tuning/lens_slider.h"

namespace skylacer::tuning {

CFocalLengthPage::CFocalLengthPage(TunerModel& model, IntegerFieldReader& reader,
                                   std::function<void()> changed)
    : TunerPage(model, reader, std::move(changed)), slider_(new LensSlider(this)) {
  slider_->setObjectName(QStringLiteral("lensSlider"));
  auto* detect =
      addCheck(TunerCheck::AutoFocal, tr("Detect focal length &automatically"), "autoFocalCheck");
  auto* explanation = explanationLabel(
      tr("Application calculates the focal length automatically. If you receive unsuitable "
         "results, please set either the lens type or the focal length value used to shoot the "
         "photos.\nAttention! 35mm equivalent"));

  auto* manual = new QGroupBox(tr(" Manual Correction "), this);
  auto* manualNote =
      new QLabel(tr("If you disable the automatic detection then the product will "
                    "be forced to the settings entered below."));
  manualNote->setWordWrap(true);
  auto* lensLabel = new QLabel(tr("&Lens:"));
  lensLabel->setBuddy(slider_);
  auto* marks = new QHBoxLayout;
  marks->addWidget(new QLabel(tr("Wide-angle")));
  marks->addStretch();
  marks->addWidget(new QLabel(tr("Normal")));
  marks->addStretch();
  marks->addWidget(new QLabel(tr("Zoom")));
  auto* focalLabel = new QLabel(tr("&Focal length (mm):"));
  focalLength_ = addField(TunerField::FocalLength, focalLabel, "focalLengthEdit");
  auto* focalRow = new QHBoxLayout;
  focalRow->addWidget(focalLength_);
  focalRow->addWidget(new QLabel(tr("(35mm camera equivalent)")));
  focalRow->addStretch();

  auto* grid = new QGridLayout(manual);
  grid->addWidget(manualNote, 0, 0, 1, 2);
  grid->addWidget(lensLabel, 1, 0);
  grid->addWidget(slider_, 1, 1);
  grid->addLayout(marks, 2, 1);
  grid->addWidget(focalLabel, 3, 0);
  grid->addLayout(focalRow, 3, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(detect);
  layout->addWidget(explanation);
  layout->addSpacing(8);
  layout->addWidget(manual);
  layout->addStretch();

  connect(slider_, &QSlider::sliderReleased, this, &CFocalLengthPage::sliderMoved);
  // Keyboard, wheel and clicks beside the handle move the slider without a drag.
  connect(slider_, &QSlider::valueChanged, this, [this] {
    if (!slider_->isSliderDown()) sliderMoved();
  });
}

void CFocalLengthPage::sliderMoved() {
  model().releaseLensSlider(slider_->value());
  showFieldText(focalLength_->editor(), model().field(TunerField::FocalLength));
  notifyChanged();
}

void CFocalLengthPage::fieldEdited(TunerField field) {
  if (field == TunerField::FocalLength) showSlider();
}

void CFocalLengthPage::showSlider() {
  const QSignalBlocker blocker(slider_);
  slider_->setValue(model().lensSlider());
}

void CFocalLengthPage::showValues() {
  TunerPage::showValues();
  showSlider();
}

}  // namespace skylacer::tuning
