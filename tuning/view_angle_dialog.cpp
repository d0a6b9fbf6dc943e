// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/view_angle_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "tuning/dialog_buttons.h"
#include "tuning/integer_field_reader.h"

namespace skylacer::tuning {

namespace {

constexpr IntegerRange kDegrees{15, 360};

}  // namespace

CViewAngle::CViewAngle(MessageBoxes& messages, QWidget* parent)
    : QDialog(parent),
      reader_(std::make_unique<IntegerFieldReader>(messages)),
      field_(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral("Skylacer"));
  field_->setObjectName(QStringLiteral("hfovEdit"));
  field_->setText(QString::number(degrees_));
  // Only digits can be typed, as in a number-only field.
  field_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field_));

  auto* prompt = new QLabel(
      tr("Please provide the horizontal field of view (HFOV) of your panoramic image in degrees."));
  prompt->setWordWrap(true);
  auto* label = new QLabel(tr("&HFOV:"));
  label->setBuddy(field_);

  auto* layout = new QGridLayout(this);
  layout->addWidget(prompt, 0, 0, 1, 3);
  layout->addWidget(label, 1, 0);
  layout->addWidget(field_, 1, 1);
  layout->addWidget(new QLabel(tr(" degrees (15\u00B0-360\u00B0)")), 1, 2);
  layout->addWidget(okCancelButtons(*this), 2, 0, 1, 3);
  setMinimumWidth(360);
}

CViewAngle::~CViewAngle() = default;

void CViewAngle::accept() {
  const std::optional<int> value = reader_->read(*field_, kDegrees);
  if (!value) return;
  degrees_ = *value;
  QDialog::accept();
}

}  // namespace skylacer::tuning
