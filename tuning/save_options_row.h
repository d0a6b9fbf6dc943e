#pragma once

// The row "Save Options:" with the list of quality presets, added to Qt's own (non-native) file
// dialog under its file-type row. The row is placed by the dialog's grid layout and its children
// "fileTypeCombo" and "fileTypeLabel"; they are Qt's private names, so their absence is handled.

class QComboBox;
class QFileDialog;

namespace skylacer::tuning {

class MessageBoxes;

// Adds the row: the label "Save Options:" under the file-type label and the preset list, filled
// with the four preset texts and sized like the file-type list, under that list. Returns the
// list, owned by the dialog. When the dialog has no grid layout, file-type list or file-type
// label, shows the matching "Failed to subclass dialog. ..." message, adds nothing and returns
// null: the dialog stays a plain save dialog.
QComboBox* addSaveOptionsRow(QFileDialog& dialog, MessageBoxes& messages);

}  // namespace skylacer::tuning
