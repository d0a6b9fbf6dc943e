// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/advanced_page.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "tuning/integer_spin_edit.h"

namespace skylacer::tuning {

CAdvancedPage::CAdvancedPage(TunerModel& model, IntegerFieldReader& reader,
                             std::function<void()> changed)
    : TunerPage(model, reader, std::move(changed)) {
  const auto addRow = [this](QFormLayout* form, const QString& text, TunerField field,
                             const char* objectName) {
    auto* label = new QLabel(text);
    auto* edit = addField(field, label, objectName);
    form->addRow(label, edit);
    return std::pair{label, edit};
  };

  auto* iterations = new QGroupBox(tr(" Iterations "), this);
  auto* iterationsForm = new QFormLayout(iterations);
  addRow(iterationsForm, tr("Image &size at first iteration:"), TunerField::ImageSize,
         "imageSizeEdit");
  addRow(iterationsForm, tr("&Number of iterations per each level of details:"),
         TunerField::Iterations, "iterationsEdit");
  addRow(iterationsForm, tr("Pixel &quantity used for non linear calculations:"),
         TunerField::NonlinearPixels, "nonlinearPixelsEdit");

  auto* splicing = new QGroupBox(tr(" Splicing "), this);
  auto* splicingForm = new QFormLayout(splicing);
  addRow(splicingForm, tr("Number of &pixels for image blending:"), TunerField::BlendPixels,
         "blendPixelsEdit");
  const auto [magnetLabel, magnetEdit] =
      addRow(splicingForm, tr("Magnet Y shift:"), TunerField::MagnetYShift, "magnetYShiftEdit");
  magnetLabel->setEnabled(false);
  magnetEdit->setEnabled(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(iterations);
  layout->addWidget(splicing);
  layout->addStretch();
}

}  // namespace skylacer::tuning
