// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writing a value into a dialog's field without it counting as the user's edit.

#include <QString>

class QLineEdit;

namespace skylacer::tuning {

// Sets the field's text with its signals blocked, and only when the text differs, so that the
// cursor and selection of a field the user is typing in stay where they are.
void showFieldText(QLineEdit& field, const QString& text);
void showFieldText(QLineEdit& field, int value);

}  // namespace skylacer::tuning
