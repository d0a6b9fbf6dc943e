// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The viewer's window: an X window with an OpenGL (GLX) context, over Xlib and libGL alone.
// Wayland desktops run it through XWayland.
//
// Input arrives as WindowEvent values, polled or waited for. Full-screen mode asks the window
// manager (EWMH _NET_WM_STATE_FULLSCREEN); without a window manager the window covers the
// screen by itself (override-redirect).

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "viewer/platform/geometry.h"

namespace skylacer::viewer::platform {

// Modifier keys held with a key or mouse event.
enum Modifier : unsigned { kShift = 1, kControl = 2, kAlt = 4 };

enum class EventType {
  Exposed,
  Resized,
  ButtonDown,
  ButtonUp,
  Moved,
  KeyDown,
  KeyUp,
  CloseRequest,
  FocusGained,
  FocusLost,
  PointerLeft,
};

// Mouse buttons as X numbers them: 1 left, 2 middle, 3 right, 4 and 5 the wheel up and down.
inline constexpr int kLeftButton = 1;
inline constexpr int kWheelUp = 4;
inline constexpr int kWheelDown = 5;

struct WindowEvent {
  EventType type = EventType::Exposed;
  Point position;          // window pixels, for mouse events
  int button = 0;          // ButtonPress, ButtonRelease
  bool leftHeld = false;   // Motion: the left button is down
  unsigned key = 0;        // KeyPress, KeyRelease: the X keysym (unshifted where it matters)
  unsigned modifiers = 0;  // Modifier flags
  bool repeat = false;     // KeyPress: the key was already down (auto-repeat)
};

// An RGBA picture, 4 bytes a pixel, rows top first.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

class XWindow {
 public:
  // Opens the display; empty when there is none (DISPLAY unset or refused), with the reason.
  static std::unique_ptr<XWindow> open(std::string& failure);
  ~XWindow();
  XWindow(const XWindow&) = delete;
  XWindow& operator=(const XWindow&) = delete;

  // Creates the window with a double-buffered RGBA visual and the class "PanViewer", client
  // area `size`, and maps it. False when no visual or window can be made.
  bool create(const std::string& title, Size size, const RgbaImage& icon);
  // Creates the OpenGL context on the window and makes it current; false on failure.
  bool createContext();
  void makeCurrent();
  void swapBuffers();

  // The next event; waits for one when `wait` is set. Empty when none waits (or on close).
  std::optional<WindowEvent> nextEvent(bool wait);
  bool eventPending();
  // Waits at most `milliseconds` for an event.
  bool waitForEvent(int milliseconds);

  Size size() const { return size_; }
  bool mapped() const { return mapped_; }
  bool focused() const { return focused_; }
  Size screenSize() const;
  int screenDepth() const;
  bool fullScreen() const { return fullScreen_; }
  // Full screen over the whole screen, or back to the window's former place and size.
  void setFullScreen(bool on);

  // Copies an RGBA picture into the window at (0, 0) through the X server alone (no OpenGL),
  // for messages when OpenGL cannot start.
  void putImage(const RgbaImage& image);
  // What the screen shows of the window's client area.
  RgbaImage capture();
  // The pointer's position in window pixels.
  Point pointer() const;

  // The Xlib display, for the display-mode query.
  void* display() const { return display_; }

 private:
  explicit XWindow(void* display);
  unsigned long atom(const char* name) const;

  void* display_ = nullptr;   // Display*
  unsigned long window_ = 0;  // Window
  unsigned long colormap_ = 0;
  void* visual_ = nullptr;   // XVisualInfo*
  void* context_ = nullptr;  // GLXContext
  unsigned long deleteAtom_ = 0;
  Size size_;
  Rect windowedPlace_;
  bool glVisual_ = true;  // false: a plain window, as the display offers no OpenGL
  bool mapped_ = false;
  bool focused_ = false;
  bool fullScreen_ = false;
  bool overrideFullScreen_ = false;
  std::vector<unsigned> keysDown_;
};

}  // namespace skylacer::viewer::platform
