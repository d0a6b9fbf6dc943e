// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/popup_menu.h"

#include <X11/keysym.h>

#include <algorithm>
#include <tuple>

#include "viewer/commands.h"
#include "viewer/messages.h"
#include "viewer/platform/message_format.h"

namespace skylacer::viewer {
namespace {

constexpr int kCheckColumn = 18;  // room for the check mark left of the text
constexpr int kArrowColumn = 16;  // room for the submenu arrow
constexpr int kKeyGap = 24;       // between an item's text and its key
constexpr Colour kFace{240, 240, 240};
constexpr Colour kFrameColour{110, 110, 110};
constexpr Colour kTextColour{0, 0, 0};
constexpr Colour kGreyText{150, 150, 150};
constexpr Colour kHighlight{48, 96, 176};
constexpr Colour kHighlightText{255, 255, 255};

// The label without its "&" and the key's name after "\t".
std::pair<std::string, std::string> split(const std::string& text) {
  std::string label;
  std::string key;
  const std::size_t tab = text.find('\t');
  const std::string shown = text.substr(0, tab);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '&' && i + 1 < shown.size()) {
      ++i;
    }
    label += shown[i];
  }
  if (tab != std::string::npos) key = text.substr(tab + 1);
  return {label, key};
}

// The mnemonic's position in the label, or -1.
int mnemonic(const std::string& text) {
  int position = 0;
  for (std::size_t i = 0; i < text.size() && text[i] != '\t'; ++i, ++position) {
    if (text[i] != '&') continue;
    if (i + 1 < text.size() && text[i + 1] != '&') return position;
    ++i;
  }
  return -1;
}

}  // namespace

PopupMenu::PopupMenu(const std::vector<platform::RenderDevice>& devices,
                     const std::vector<platform::DisplayMode>& modes) {
  MenuItem deviceMenu{text::kDevicesMenu, 0, false, true, {}};
  const int deviceCount =
      std::min(static_cast<int>(devices.size()), kLastDeviceCommand - kFirstDeviceCommand + 1);
  for (int i = 0; i < deviceCount; ++i) {
    // A driver's name is shown as it is: '&' is no mnemonic there.
    std::string name;
    for (const char c : devices[static_cast<std::size_t>(i)].name)
      name += c == '&' ? "&&" : std::string(1, c);
    deviceMenu.submenu.push_back({name, kFirstDeviceCommand + i, false, true, {}});
  }
  devicesItem_ = 0;
  items_.push_back(std::move(deviceMenu));
  const int modeCount =
      std::min(static_cast<int>(modes.size()), kLastModeCommand - kFirstModeCommand + 1);
  if (modeCount > 0) {
    MenuItem modeMenu{text::kModesMenu, 0, false, true, {}};
    for (int i = 0; i < modeCount; ++i) {
      const platform::DisplayMode& mode = modes[static_cast<std::size_t>(i)];
      modeMenu.submenu.push_back(
          {platform::formatMessage(text::kModeItem, mode.width, mode.height, mode.bitsPerPixel),
           kFirstModeCommand + i,
           false,
           true,
           {}});
    }
    modesItem_ = static_cast<int>(items_.size());
    items_.push_back(std::move(modeMenu));
  }
  fullscreenItem_ = static_cast<int>(items_.size());
  items_.push_back(
      {text::kFullscreenItem, static_cast<int>(ViewerCommand::Fullscreen), false, true, {}});
  items_.push_back({text::kAboutItem, static_cast<int>(ViewerCommand::About), false, true, {}});
  items_.push_back({text::kExitItem, static_cast<int>(ViewerCommand::Exit), false, true, {}});
}

int PopupMenu::panelWidth(const std::vector<MenuItem>& items) {
  int labels = 0;
  int keys = 0;
  bool submenus = false;
  for (const MenuItem& item : items) {
    const auto [label, key] = split(item.text);
    labels = std::max(labels, textWidth(label));
    keys = std::max(keys, textWidth(key));
    submenus = submenus || !item.submenu.empty() || item.command == 0;
  }
  return kCheckColumn + labels + (keys > 0 ? kKeyGap + keys : 0) + (submenus ? kArrowColumn : 8) +
         4;
}

void PopupMenu::open(Point at, Size view, const PopupMenuState& state) {
  MenuItem& devices = items_[static_cast<std::size_t>(devicesItem_)];
  for (std::size_t i = 0; i < devices.submenu.size(); ++i)
    devices.submenu[i].checked = static_cast<int>(i) == state.currentDevice;
  if (modesItem_ >= 0) {
    MenuItem& modes = items_[static_cast<std::size_t>(modesItem_)];
    for (std::size_t i = 0; i < modes.submenu.size(); ++i)
      modes.submenu[i].checked = static_cast<int>(i) == state.currentMode;
  }
  MenuItem& fullscreen = items_[static_cast<std::size_t>(fullscreenItem_)];
  fullscreen.checked = state.fullScreen;
  fullscreen.enabled = state.fullScreenAvailable;

  view_ = view;
  const int width = panelWidth(items_);
  const int height = static_cast<int>(items_.size()) * kMenuItemHeight + 4;
  area_ = {std::clamp(at.x, 0, std::max(0, view.width - width)),
           std::clamp(at.y, 0, std::max(0, view.height - height)), width, height};
  highlighted_ = -1;
  openSubmenu_ = -1;
  subHighlighted_ = -1;
  open_ = true;
}

void PopupMenu::close() {
  open_ = false;
  openSubmenu_ = -1;
}

Rect PopupMenu::submenuArea(int parentIndex) const {
  const MenuItem& parent = items_[static_cast<std::size_t>(parentIndex)];
  const int width = panelWidth(parent.submenu);
  const int height = std::max(1, static_cast<int>(parent.submenu.size())) * kMenuItemHeight + 4;
  int x = area_.x + area_.width - 2;
  if (x + width > view_.width) x = std::max(0, area_.x - width + 2);
  const int y = std::clamp(area_.y + 2 + parentIndex * kMenuItemHeight - 2, 0,
                           std::max(0, view_.height - height));
  return {x, y, width, height};
}

std::vector<PopupMenu::Panel> PopupMenu::panels() const {
  std::vector<Panel> shown{{&items_, area_, highlighted_}};
  if (openSubmenu_ >= 0)
    shown.push_back({&items_[static_cast<std::size_t>(openSubmenu_)].submenu,
                     submenuArea(openSubmenu_), subHighlighted_});
  return shown;
}

std::optional<Rect> PopupMenu::itemRect(int level, int index) const {
  const std::vector<Panel> shown = panels();
  if (!open_ || level < 0 || level >= static_cast<int>(shown.size())) return std::nullopt;
  const Panel& panel = shown[static_cast<std::size_t>(level)];
  if (index < 0 || index >= static_cast<int>(panel.items->size())) return std::nullopt;
  return Rect{panel.area.x + 2, panel.area.y + 2 + index * kMenuItemHeight, panel.area.width - 4,
              kMenuItemHeight};
}

std::optional<std::pair<int, int>> PopupMenu::itemAt(Point at) const {
  const std::vector<Panel> shown = panels();
  // The submenu lies above the menu where they overlap.
  for (int level = static_cast<int>(shown.size()) - 1; level >= 0; --level) {
    const Panel& panel = shown[static_cast<std::size_t>(level)];
    if (!panel.area.contains(at)) continue;
    for (int i = 0; i < static_cast<int>(panel.items->size()); ++i)
      if (itemRect(level, i)->contains(at)) return std::pair{level, i};
    return std::pair{level, -1};
  }
  return std::nullopt;
}

bool PopupMenu::hover(Point at) {
  if (!open_) return false;
  const auto before = std::tuple{highlighted_, openSubmenu_, subHighlighted_};
  if (const auto item = itemAt(at)) {
    if (item->first == 0) {
      highlighted_ = item->second;
      if (highlighted_ >= 0 && items_[static_cast<std::size_t>(highlighted_)].command == 0) {
        if (openSubmenu_ != highlighted_) subHighlighted_ = -1;
        openSubmenu_ = highlighted_;
      } else if (highlighted_ >= 0) {
        openSubmenu_ = -1;
      }
    } else {
      subHighlighted_ = item->second;
      highlighted_ = openSubmenu_;
    }
  } else {
    subHighlighted_ = -1;
  }
  return before != std::tuple{highlighted_, openSubmenu_, subHighlighted_};
}

std::optional<int> PopupMenu::choose(int level, int index) {
  const std::vector<MenuItem>& list =
      level == 0 ? items_ : items_[static_cast<std::size_t>(openSubmenu_)].submenu;
  if (index < 0 || index >= static_cast<int>(list.size())) return std::nullopt;
  const MenuItem& item = list[static_cast<std::size_t>(index)];
  if (item.command == 0) {
    openSubmenu_ = index;
    highlighted_ = index;
    subHighlighted_ = item.submenu.empty() ? -1 : 0;
    return std::nullopt;
  }
  if (!item.enabled) return std::nullopt;
  close();
  return item.command;
}

std::optional<int> PopupMenu::click(Point at) {
  if (!open_) return std::nullopt;
  const auto item = itemAt(at);
  if (!item) {
    close();
    return std::nullopt;
  }
  return choose(item->first, item->second);
}

std::optional<int> PopupMenu::key(unsigned keysym) {
  if (!open_) return std::nullopt;
  const bool inSubmenu = openSubmenu_ >= 0 && subHighlighted_ >= 0;
  const int count =
      inSubmenu ? static_cast<int>(items_[static_cast<std::size_t>(openSubmenu_)].submenu.size())
                : static_cast<int>(items_.size());
  int& current = inSubmenu ? subHighlighted_ : highlighted_;
  switch (keysym) {
    case XK_Escape:
      if (inSubmenu) {
        subHighlighted_ = -1;
        openSubmenu_ = -1;
      } else {
        close();
      }
      return std::nullopt;
    case XK_Down:
    case XK_KP_Down:
      if (count > 0) current = (current + 1) % count;
      return std::nullopt;
    case XK_Up:
    case XK_KP_Up:
      if (count > 0) current = current < 0 ? count - 1 : (current + count - 1) % count;
      return std::nullopt;
    case XK_Left:
    case XK_KP_Left:
      if (inSubmenu) {
        subHighlighted_ = -1;
        openSubmenu_ = -1;
      }
      return std::nullopt;
    case XK_Right:
    case XK_KP_Right:
      if (!inSubmenu && highlighted_ >= 0 &&
          items_[static_cast<std::size_t>(highlighted_)].command == 0)
        return choose(0, highlighted_);
      return std::nullopt;
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
      return choose(inSubmenu ? 1 : 0, current);
    default:
      return std::nullopt;
  }
}

void PopupMenu::paint(Canvas& canvas) const {
  if (!open_) return;
  const std::vector<Panel> shown = panels();
  for (int level = 0; level < static_cast<int>(shown.size()); ++level) {
    const Panel& panel = shown[static_cast<std::size_t>(level)];
    canvas.fill(panel.area, kFace);
    canvas.frame(panel.area, kFrameColour);
    for (int i = 0; i < static_cast<int>(panel.items->size()); ++i) {
      const MenuItem& item = (*panel.items)[static_cast<std::size_t>(i)];
      const Rect place = *itemRect(level, i);
      const bool lit = i == panel.highlighted && item.enabled;
      if (lit) canvas.fill(place, kHighlight);
      const Colour ink = !item.enabled ? kGreyText : lit ? kHighlightText : kTextColour;
      const int textTop = place.y + (kMenuItemHeight - kGlyphHeight) / 2;
      const auto [label, key] = split(item.text);
      if (item.checked) canvas.text({place.x + 5, textTop}, "*", ink);
      canvas.text({place.x + kCheckColumn, textTop}, label, ink);
      if (const int underline = mnemonic(item.text); underline >= 0)
        canvas.fill({place.x + kCheckColumn + underline * kGlyphWidth, textTop + kGlyphHeight - 1,
                     kGlyphWidth - 1, 1},
                    ink);
      if (!key.empty())
        canvas.text({place.x + place.width - textWidth(key) - 8, textTop}, key, ink);
      if (item.command == 0)
        canvas.text({place.x + place.width - kArrowColumn + 4, textTop}, ">", ink);
    }
  }
}

void PopupMenu::disableDevice(int index) {
  std::vector<MenuItem>& devices = items_[static_cast<std::size_t>(devicesItem_)].submenu;
  if (index >= 0 && index < static_cast<int>(devices.size()))
    devices[static_cast<std::size_t>(index)].enabled = false;
}

}  // namespace skylacer::viewer
