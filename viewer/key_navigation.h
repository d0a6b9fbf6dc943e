// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Looking around with the keys: the arrow keys turn and tilt the view, + and - zoom. A tap
// moves one step at once; a key held longer than a moment moves the view a little every frame
// until it is let go.

#include <chrono>
#include <optional>
#include <vector>

#include "viewer/pan_viewer.h"

namespace skylacer::viewer {

enum class NavigationKey { Left, Right, Up, Down, ZoomIn, ZoomOut };

// The navigation key of an X keysym (arrows, keypad arrows, +, =, keypad +, -, keypad -),
// with no Ctrl or Alt held; Shift does not matter (+ is Shift+= on many keyboards).
std::optional<NavigationKey> navigationKey(unsigned keysym, unsigned modifiers);

class KeyNavigation {
 public:
  using Clock = std::chrono::steady_clock;

  // A tap's step: 0.05 radians sideways, 0.02 up or down, the field times 0.9 (or divided).
  static constexpr int kTapTurnPixels = 5;
  static constexpr int kTapTiltPixels = 20;
  static constexpr double kTapZoom = 0.9;
  // Held, after kHoldDelay, every frame: 0.02 radians sideways, 0.008 up or down, × 0.97.
  static constexpr auto kHoldDelay = std::chrono::milliseconds(250);
  static constexpr int kHeldTurnPixels = 2;
  static constexpr int kHeldTiltPixels = 8;
  static constexpr double kHeldZoom = 0.97;

  // A key went down: the view takes one step; an auto-repeated press changes nothing.
  void press(NavigationKey key, CPanViewer& model, Clock::time_point now);
  void release(NavigationKey key);
  // Every key let go (the window lost the focus).
  void releaseAll() { held_.clear(); }
  // Before each frame: every key held past the delay moves the view one frame's step.
  void step(CPanViewer& model, Clock::time_point now) const;
  // Whether a key is held, so frames must go on.
  bool active() const { return !held_.empty(); }

 private:
  struct Held {
    NavigationKey key;
    Clock::time_point since;
  };
  static void move(NavigationKey key, CPanViewer& model, int turn, int tilt, double zoom);
  std::vector<Held> held_;
};

}  // namespace skylacer::viewer
