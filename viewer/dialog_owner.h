#pragma once

// Dialogs of the viewer owned by its main window (a QWindow, not a widget).

class QWidget;
class QWindow;

namespace skylacer::viewer {

// Makes `owner` the dialog's transient parent, so that the window manager keeps the dialog
// above it; a null owner leaves the dialog on its own.
void ownDialog(QWidget& dialog, QWindow* owner);

}  // namespace skylacer::viewer
