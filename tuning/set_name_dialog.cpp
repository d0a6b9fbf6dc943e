// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/set_name_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "tuning/dialog_buttons.h"

namespace skylacer::tuning {

CSetName::CSetName(QWidget* parent) : QDialog(parent), name_(new QLineEdit(this)) {
  setWindowTitle(tr("Name Your Profile"));
  name_->setObjectName(QStringLiteral("nameEdit"));
  auto* label = new QLabel(tr("Enter profile name:"));
  label->setBuddy(name_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(name_);
  layout->addWidget(okCancelButtons(*this));
  setMinimumWidth(300);
}

std::string CSetName::name() const {
  return name_->text().toStdString();
}

}  // namespace skylacer::tuning
