// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/save_dialog.h"

#include <QComboBox>
#include <QLabel>

#include "tuning/image_options_dialog.h"
#include "tuning/save_options_row.h"

namespace skylacer::tuning {

namespace {

FileDialogRequest saveRequest(FileDialogRequest request) {
  request.mode = FileDialogMode::Save;
  request.askOverwrite = true;
  return request;
}

}  // namespace

CMySaveDlg::CMySaveDlg(FileDialogRequest request, const output::OutputOptions& offer,
                       registry::ApplicationSettings& settings, MessageBoxes& messages,
                       QWidget* parent)
    : FileDialog(saveRequest(std::move(request)), parent),
      settings_(settings),
      messages_(messages),
      offer_(offer),
      options_(offer),
      presets_(nullptr),
      outputSize_(nullptr) {
  const SaveOptionsRow row = addSaveOptionsRow(*this, messages);
  presets_ = row.presets;
  outputSize_ = row.outputSize;
  if (!presets_) return;
  lastChosen_ = static_cast<int>(readLastQualityPreset(settings_));
  presets_->setCurrentIndex(lastChosen_);
  showOutputSize();
  connect(presets_, &QComboBox::activated, this, &CMySaveDlg::presetChosen);
  connect(presets_, &QComboBox::currentIndexChanged, this, &CMySaveDlg::showOutputSize);
}

void CMySaveDlg::showOutputSize() {
  const output::OutputOptions chosen =
      applyQualityPreset(static_cast<QualityPreset>(presets_->currentIndex()), offer_, customSize_);
  outputSize_->setText(outputSizeText(chosen.size));
}

void CMySaveDlg::presetChosen(int index) {
  if (index != static_cast<int>(QualityPreset::Custom)) {
    lastChosen_ = index;
    return;
  }
  CImageOpt custom(offer_.size.width, offer_.size.height, offer_.quality, settings_, messages_,
                   this);
  if (custom.exec() == QDialog::Accepted) {
    lastChosen_ = index;
    offer_.quality = custom.quality();
    customSize_ = custom.wholeSize();
    showOutputSize();
  } else {
    presets_->setCurrentIndex(lastChosen_);
  }
}

void CMySaveDlg::done(int result) {
  if (presets_) {
    const auto preset = static_cast<QualityPreset>(presets_->currentIndex());
    options_ = applyQualityPreset(preset, offer_, customSize_);
    storeLastQualityPreset(settings_, preset);
  }
  FileDialog::done(result);
}

}  // namespace skylacer::tuning
