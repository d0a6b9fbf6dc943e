// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/key_navigation.h"

#include <X11/keysym.h>

#include <algorithm>

#include "viewer/platform/x_window.h"

namespace skylacer::viewer {

std::optional<NavigationKey> navigationKey(unsigned keysym, unsigned modifiers) {
  if (modifiers & (platform::kControl | platform::kAlt)) return std::nullopt;
  switch (keysym) {
    case XK_Left:
    case XK_KP_Left:
      return NavigationKey::Left;
    case XK_Right:
    case XK_KP_Right:
      return NavigationKey::Right;
    case XK_Up:
    case XK_KP_Up:
      return NavigationKey::Up;
    case XK_Down:
    case XK_KP_Down:
      return NavigationKey::Down;
    case XK_plus:
    case XK_equal:
    case XK_KP_Add:
      return NavigationKey::ZoomIn;
    case XK_minus:
    case XK_underscore:
    case XK_KP_Subtract:
      return NavigationKey::ZoomOut;
    default:
      return std::nullopt;
  }
}

void KeyNavigation::move(NavigationKey key, CPanViewer& model, int turn, int tilt, double zoom) {
  switch (key) {
    case NavigationKey::Left:
      model.drag(-turn, 0);
      break;
    case NavigationKey::Right:
      model.drag(turn, 0);
      break;
    // Dragging down lowers the view; the up arrow raises it.
    case NavigationKey::Up:
      model.drag(0, -tilt);
      break;
    case NavigationKey::Down:
      model.drag(0, tilt);
      break;
    case NavigationKey::ZoomIn:
      model.zoomBy(zoom);
      break;
    case NavigationKey::ZoomOut:
      model.zoomBy(1 / zoom);
      break;
  }
}

void KeyNavigation::press(NavigationKey key, CPanViewer& model, Clock::time_point now) {
  if (std::any_of(held_.begin(), held_.end(), [key](const Held& h) { return h.key == key; }))
    return;
  held_.push_back({key, now});
  move(key, model, kTapTurnPixels, kTapTiltPixels, kTapZoom);
}

void KeyNavigation::release(NavigationKey key) {
  std::erase_if(held_, [key](const Held& h) { return h.key == key; });
}

void KeyNavigation::step(CPanViewer& model, Clock::time_point now) const {
  for (const Held& held : held_)
    if (now - held.since >= kHoldDelay)
      move(held.key, model, kHeldTurnPixels, kHeldTiltPixels, kHeldZoom);
}

}  // namespace skylacer::viewer
