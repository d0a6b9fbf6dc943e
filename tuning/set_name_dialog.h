// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Name Your Profile": asks for the name of a new parameter set. Any text is accepted, the
// empty one included; the tuner decides what to do with it.

#include <QCoreApplication>
#include <QDialog>
#include <string>

class QLineEdit;

namespace skylacer::tuning {

class CSetName : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CSetName)

 public:
  explicit CSetName(QWidget* parent = nullptr);

  // The entered name (UTF-8), empty at start.
  std::string name() const;

 private:
  QLineEdit* name_;
};

}  // namespace skylacer::tuning
