#pragma once

// The popup menu "APPMENU": the submenus "Acceleration type" (rendering devices, commands from
// 80) and "&Modes" (full-screen display modes, commands from 100), then the fullscreen, about
// and exit items.

#include <QMenu>
#include <optional>
#include <vector>

#include "viewer/platform/display_modes.h"
#include "viewer/platform/render_devices.h"

namespace skylacer::viewer {

// What the menu shows when it opens.
struct PopupMenuState {
  int currentDevice = 0;
  int currentMode = -1;
  bool fullScreen = false;
  bool fullScreenAvailable = false;  // false: the fullscreen item is greyed
};

class PopupMenu {
 public:
  // Fills the submenus with at most 5 devices and the modes (up to command 199).
  PopupMenu(const std::vector<platform::RenderDevice>& devices,
            const std::vector<platform::DisplayMode>& modes);

  // Opens the menu at a point of the screen and returns the chosen command id, if any.
  std::optional<int> exec(QPoint globalPosition, const PopupMenuState& state);
  // Greys out a device that failed.
  void disableDevice(int index);

  // The menu itself, for inspection.
  const QMenu& menu() const { return menu_; }

 private:
  QMenu menu_;
  std::vector<QAction*> deviceItems_;
  std::vector<QAction*> modeItems_;
  QAction* fullscreenItem_ = nullptr;
};

}  // namespace skylacer::viewer
