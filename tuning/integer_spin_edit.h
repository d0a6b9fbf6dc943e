// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An integer edit field with up and down arrows beside it. The text is free: whatever the user
// types stays in the field, and whoever takes the field checks it (IntegerFieldReader). The
// arrows, the Up and Down keys and the wheel step the field's value within their own range and
// write the result into the text as if the user had typed it.

#include <QAbstractSpinBox>
#include <optional>

#include "tuning/integer_field.h"

class QLineEdit;

namespace skylacer::tuning {

class IntegerSpinEdit : public QAbstractSpinBox {
 public:
  // Without an arrow range the field has no arrows and does not step.
  explicit IntegerSpinEdit(std::optional<IntegerRange> arrows, QWidget* parent = nullptr);

  // The text field inside.
  QLineEdit& editor() const { return *lineEdit(); }

  // A text that is not a number steps from the range's lower end; the result is held in the
  // range.
  void stepBy(int steps) override;
  QSize sizeHint() const override;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  std::optional<int> currentValue() const;

  std::optional<IntegerRange> arrows_;
};

}  // namespace skylacer::tuning
