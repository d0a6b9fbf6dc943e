// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The row "Save Options:" with the list of quality presets, added to Qt's own (non-native) file
// dialog under its file-type row. The row is placed by the dialog's grid layout and its children
// "fileTypeCombo" and "fileTypeLabel"; they are Qt's private names, so their absence is handled.

#include <QString>

#include "engine/buffers.h"

class QComboBox;
class QFileDialog;
class QLabel;

namespace skylacer::tuning {

class MessageBoxes;

// The row's widgets, owned by the dialog; both null when the row could not be added.
struct SaveOptionsRow {
  QComboBox* presets = nullptr;
  QLabel* outputSize = nullptr;  // beside the list: the size the chosen preset writes
};

// Adds the row: the label "Save Options:" under the file-type label, the preset list, filled
// with the four preset texts and sized like the file-type list, under that list, and an empty
// label for the output size beside it. When the dialog has no grid layout, file-type list or
// file-type label, shows the matching "Failed to subclass dialog. ..." message and adds
// nothing: the dialog stays a plain save dialog.
SaveOptionsRow addSaveOptionsRow(QFileDialog& dialog, MessageBoxes& messages);

// "W × H pixels", the text of the output size label.
QString outputSizeText(ImageSize size);

}  // namespace skylacer::tuning
