// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/integer_spin_edit.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>

namespace skylacer::tuning {

IntegerSpinEdit::IntegerSpinEdit(std::optional<IntegerRange> arrows, QWidget* parent)
    : QAbstractSpinBox(parent), arrows_(arrows) {
  if (!arrows_) setButtonSymbols(QAbstractSpinBox::NoButtons);
}

std::optional<int> IntegerSpinEdit::currentValue() const {
  return readIntegerField(lineEdit()->text().toStdString(), std::nullopt).value;
}

void IntegerSpinEdit::stepBy(int steps) {
  if (!arrows_) return;
  const long long start = currentValue().value_or(arrows_->min);
  const long long stepped = std::clamp<long long>(start + steps, arrows_->min, arrows_->max);
  lineEdit()->setText(QString::number(stepped));
}

QAbstractSpinBox::StepEnabled IntegerSpinEdit::stepEnabled() const {
  if (!arrows_ || isReadOnly()) return StepNone;
  const std::optional<int> value = currentValue();
  if (!value) return StepUpEnabled | StepDownEnabled;
  StepEnabled enabled = StepNone;
  if (*value < arrows_->max) enabled |= StepUpEnabled;
  if (*value > arrows_->min) enabled |= StepDownEnabled;
  return enabled;
}

QSize IntegerSpinEdit::sizeHint() const {
  // Room for six digits besides the frame and the arrows.
  const QSize base = QAbstractSpinBox::sizeHint();
  const int digits = fontMetrics().horizontalAdvance(QStringLiteral("000000"));
  return {std::max(base.width(), digits + (arrows_ ? 28 : 12)), base.height()};
}

}  // namespace skylacer::tuning
