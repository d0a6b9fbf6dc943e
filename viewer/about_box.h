#pragma once

// The about box "AppAbout".

class QIcon;
class QWindow;

namespace skylacer::viewer {

// Shows the modal about box owned by `owner`: title "About", the icon, the viewer's name and a
// line about using it; its OK button closes it.
void showAboutBox(QWindow* owner, const QIcon& icon);

}  // namespace skylacer::viewer
