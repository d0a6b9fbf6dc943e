// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/dialog_buttons.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace skylacer::tuning {

QDialogButtonBox* okCancelButtons(QDialog& dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setText(QCoreApplication::translate("DialogButtons", "OK"));
  ok->setObjectName(QStringLiteral("okButton"));
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  cancel->setText(QCoreApplication::translate("DialogButtons", "Cancel"));
  cancel->setObjectName(QStringLiteral("cancelButton"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

}  // namespace skylacer::tuning
