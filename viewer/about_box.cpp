#include "viewer/about_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>

#include "viewer/dialog_owner.h"
#include "viewer/messages.h"

namespace skylacer::viewer {

void showAboutBox(QWindow* owner, const QIcon& icon) {
  QDialog dialog;
  dialog.setObjectName("AppAbout");
  dialog.setWindowTitle(text::kAboutTitle);
  auto* layout = new QGridLayout(&dialog);
  auto* iconLabel = new QLabel(&dialog);
  iconLabel->setPixmap(icon.pixmap(32, 32));
  layout->addWidget(iconLabel, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(new QLabel(text::kAppTitle, &dialog), 0, 1);
  layout->addWidget(new QLabel(text::kAboutLine, &dialog), 1, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons, 2, 0, 1, 2);
  dialog.setModal(true);
  ownDialog(dialog, owner);
  dialog.exec();
}

}  // namespace skylacer::viewer
