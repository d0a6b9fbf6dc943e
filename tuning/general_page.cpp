// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/general_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "tuning/integer_spin_edit.h"

namespace skylacer::tuning {

CGeneralPage::CGeneralPage(TunerModel& model, IntegerFieldReader& reader,
                           std::function<void()> changed)
    : TunerPage(model, reader, std::move(changed)) {
  auto* overlapRow = new QHBoxLayout;
  auto* fromLabel = new QLabel(tr("Photos overlap &from about  "));
  auto* toLabel = new QLabel(tr("% up &to"));
  overlapRow->addWidget(fromLabel);
  overlapRow->addWidget(addField(TunerField::OverlapFrom, fromLabel, "overlapFromEdit"));
  overlapRow->addWidget(toLabel);
  overlapRow->addWidget(addField(TunerField::OverlapTo, toLabel, "overlapToEdit"));
  overlapRow->addWidget(new QLabel(QStringLiteral("%")));
  overlapRow->addStretch();

  auto* checks = new QGridLayout;
  const struct {
    TunerCheck check;
    const char* text;
    const char* explanation;
    const char* objectName;
  } rows[] = {
      {TunerCheck::Crop, QT_TR_NOOP("&Crop the resulting panoramic image"),
       QT_TR_NOOP("Removes black areas in the final result that can appear due to unsteady or "
                  "unleveled originals."),
       "cropCheck"},
      {TunerCheck::CalcRotation, QT_TR_NOOP("Calculate camera &rotation"),
       QT_TR_NOOP("Calculates possible camera level rotation while shooting without tripod."),
       "rotationCheck"},
      {TunerCheck::CorrectDistortion, QT_TR_NOOP("Correct image &distortion"),
       QT_TR_NOOP("Automatically corrects linear, perspective and focal image distortions."),
       "distortionCheck"},
  };
  int row = 0;
  for (const auto& entry : rows) {
    checks->addWidget(addCheck(entry.check, tr(entry.text), entry.objectName), row++, 0);
    checks->addWidget(explanationLabel(tr(entry.explanation)), row++, 0);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(overlapRow);
  layout->addSpacing(12);
  layout->addLayout(checks);
  layout->addStretch();
}

}  // namespace skylacer::tuning
