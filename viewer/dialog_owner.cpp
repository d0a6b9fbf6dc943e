#include "viewer/dialog_owner.h"

#include <QWidget>
#include <QWindow>

namespace skylacer::viewer {

void ownDialog(QWidget& dialog, QWindow* owner) {
  if (owner == nullptr) return;
  dialog.winId();  // creates the dialog's native window
  if (QWindow* handle = dialog.windowHandle()) handle->setTransientParent(owner);
}

}  // namespace skylacer::viewer
