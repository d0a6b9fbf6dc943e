// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The popup menu "APPMENU", drawn by the viewer itself over the view: the submenus
// "Acceleration type" (rendering devices, commands from 80) and "&Modes" (full-screen display
// modes, commands from 100; left out when the display lists none), then the fullscreen, about
// and exit items. The mouse or the keys (arrows, Enter, Esc) choose an item; a click outside
// closes it.

#include <optional>
#include <string>
#include <vector>

#include "viewer/canvas.h"
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

struct MenuItem {
  std::string text;  // "&" marks the mnemonic, "\t" starts the key's name
  int command = 0;   // 0 for a submenu
  bool checked = false;
  bool enabled = true;
  std::vector<MenuItem> submenu;
};

inline constexpr int kMenuItemHeight = 20;

class PopupMenu {
 public:
  // Fills the submenus with at most 5 devices and the modes (up to command 199).
  PopupMenu(const std::vector<platform::RenderDevice>& devices,
            const std::vector<platform::DisplayMode>& modes);

  // Opens the menu with its top-left corner at a point of a view of `view` size (moved so that
  // it fits).
  void open(Point at, Size view, const PopupMenuState& state);
  bool isOpen() const { return open_; }
  void close();

  // The mouse moved: highlights the item under it and opens a submenu under it. Returns
  // whether the look changed.
  bool hover(Point at);
  // A click: closes the menu and returns the command of an enabled item under it; a click on
  // a submenu's item opens it; a click outside closes the menu. Returns the chosen command.
  std::optional<int> click(Point at);
  // A key (X keysym): Up, Down, Right, Left, Return, Escape. Returns the chosen command.
  std::optional<int> key(unsigned keysym);

  void paint(Canvas& canvas) const;

  // Greys out a device that failed.
  void disableDevice(int index);

  // For inspection: the top-level items, and where an item is shown (level 0 the menu, level 1
  // the open submenu).
  const std::vector<MenuItem>& items() const { return items_; }
  std::optional<Rect> itemRect(int level, int index) const;
  int openSubmenu() const { return openSubmenu_; }

 private:
  struct Panel {
    const std::vector<MenuItem>* items = nullptr;
    Rect area;
    int highlighted = -1;
  };
  std::vector<Panel> panels() const;
  static int panelWidth(const std::vector<MenuItem>& items);
  Rect submenuArea(int parentIndex) const;
  // The item of a panel under a point: {level, index}.
  std::optional<std::pair<int, int>> itemAt(Point at) const;
  std::optional<int> choose(int level, int index);

  std::vector<MenuItem> items_;
  int devicesItem_ = -1;
  int modesItem_ = -1;
  int fullscreenItem_ = -1;
  bool open_ = false;
  Size view_;
  Rect area_;
  int highlighted_ = -1;
  int openSubmenu_ = -1;  // index of the top-level item whose submenu shows
  int subHighlighted_ = -1;
};

}  // namespace skylacer::viewer
