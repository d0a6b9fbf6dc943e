// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Output Image Options": the output size in pixels or percent of the offered size, with or
// without its aspect ratio, and the JPEG quality (1 to 100; the slider shows 50 to 95). The two
// units are kept as "widthtype" and "heighttype" under "settings".

#include <QCoreApplication>
#include <QDialog>
#include <memory>

#include "platform/registry/application_settings.h"
#include "tuning/image_options_model.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

namespace skylacer::tuning {

class IntegerFieldReader;
class MessageBoxes;

class CImageOpt : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CImageOpt)

 public:
  // Offers `width` x `height` pixels at `quality`. The settings and the message boxes are owned
  // by the caller and outlive the dialog.
  CImageOpt(double width, double height, int quality, registry::ApplicationSettings& settings,
            MessageBoxes& messages, QWidget* parent = nullptr);
  ~CImageOpt() override;

  // The user's values after OK.
  double width() const { return model_.width(); }
  double height() const { return model_.height(); }
  ImageSize wholeSize() const { return model_.wholeSize(); }
  int quality() const { return model_.quality(); }

  // Takes and checks every field, stores the units and closes; stays open after a refusal.
  void accept() override;

 private:
  void widthEdited();
  void heightEdited();
  void qualityEdited();
  void sliderMoved();
  void showWidth();
  void showHeight();

  registry::ApplicationSettings& settings_;
  std::unique_ptr<IntegerFieldReader> reader_;
  ImageOptionsModel model_;
  QLineEdit* width_;
  QLineEdit* height_;
  QComboBox* widthUnit_;
  QComboBox* heightUnit_;
  QCheckBox* keepAspect_;
  QLineEdit* quality_;
  QSlider* slider_;
};

}  // namespace skylacer::tuning
