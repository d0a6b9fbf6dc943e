// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The save dialog of every export that writes a picture: Qt's file dialog with the row
// "Save Options:" (save_options_row.h), whose presets (save_presets.h) turn the size and quality
// the caller offers into those to write. "Custom Quality..." opens Output Image Options.
//
// The chosen preset is applied and stored as "Last quality" when the dialog closes, by OK or
// Cancel alike; callers act only on OK.

#include <optional>

#include "output/panorama.h"
#include "platform/registry/application_settings.h"
#include "tuning/file_dialog.h"
#include "tuning/save_presets.h"

class QComboBox;
class QLabel;

namespace skylacer::tuning {

class MessageBoxes;

class CMySaveDlg : public FileDialog {
 public:
  // `request` gives the filters, the default extension, the start folder and the selected
  // filter; the dialog always saves and asks before replacing a file. `offer` holds the
  // panorama's size and the current JPEG quality. The settings and the message boxes are owned
  // by the caller and outlive the dialog.
  CMySaveDlg(FileDialogRequest request, const output::OutputOptions& offer,
             registry::ApplicationSettings& settings, MessageBoxes& messages,
             QWidget* parent = nullptr);

  // The size and quality to write, once the dialog has closed: those of the chosen preset, or
  // the offer unchanged when the dialog has no preset row.
  const output::OutputOptions& options() const { return options_; }

  void done(int result) override;

 private:
  void presetChosen(int index);
  // Shows beside the list the size the selected preset writes.
  void showOutputSize();

  registry::ApplicationSettings& settings_;
  MessageBoxes& messages_;
  output::OutputOptions offer_;  // the quality becomes the custom one once that is confirmed
  output::OutputOptions options_;
  std::optional<ImageSize> customSize_;  // set when Output Image Options was confirmed
  QComboBox* presets_;                   // owned by the dialog; null without the row
  QLabel* outputSize_;                   // owned by the dialog; null without the row
  int lastChosen_ = 0;                   // reselected when Output Image Options is cancelled
};

}  // namespace skylacer::tuning
