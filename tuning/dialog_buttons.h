// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The OK and Cancel buttons of the small dialogs.

class QDialog;
class QDialogButtonBox;

namespace skylacer::tuning {

// "OK" (the default button, named "okButton") and "Cancel" ("cancelButton"), connected to the
// dialog's accept() and reject().
QDialogButtonBox* okCancelButtons(QDialog& dialog);

}  // namespace skylacer::tuning
