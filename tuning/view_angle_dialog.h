// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Skylacer" prompt for the horizontal field of view of a panorama made of one photo, in
// whole degrees from 15 to 360 (checked on OK).

#include <QCoreApplication>
#include <QDialog>
#include <memory>

class QLineEdit;

namespace skylacer::tuning {

class IntegerFieldReader;
class MessageBoxes;

class CViewAngle : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CViewAngle)

 public:
  // The message boxes are owned by the caller and outlive the dialog.
  CViewAngle(MessageBoxes& messages, QWidget* parent = nullptr);
  ~CViewAngle() override;

  // Degrees: 180 unless the user confirmed another value with OK.
  int degrees() const { return degrees_; }

  // Takes the field; a value outside 15..360 is refused and the dialog stays open.
  void accept() override;

 private:
  std::unique_ptr<IntegerFieldReader> reader_;
  QLineEdit* field_;
  int degrees_ = 180;
};

}  // namespace skylacer::tuning
