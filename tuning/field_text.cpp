// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/field_text.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace skylacer::tuning {

void showFieldText(QLineEdit& field, const QString& text) {
  if (field.text() == text) return;
  const QSignalBlocker blocker(field);
  field.setText(text);
}

void showFieldText(QLineEdit& field, int value) {
  showFieldText(field, QString::number(value));
}

}  // namespace skylacer::tuning
