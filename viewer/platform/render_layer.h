// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The viewer's rendering layer over OpenGL (GLX): the context on the main window, a back buffer
// (an OpenGL framebuffer object) the viewer draws each frame into, windowed and full-screen
// presentation, the rendering devices and the full-screen display modes.
//
// Presentation copies the back buffer into the window. In a window the back buffer has the
// window's size; in full-screen mode it has the chosen mode's size (or the screen's, when the
// display lists no modes) and is scaled to the whole screen, the display keeping its own mode.
// Every failing step is reported through the error report given at construction, with a
// message naming the step and the status's name.

#include <functional>
#include <string>
#include <vector>

#include "viewer/platform/display_modes.h"
#include "viewer/platform/geometry.h"
#include "viewer/platform/gl_functions.h"
#include "viewer/platform/render_devices.h"
#include "viewer/platform/render_errors.h"
#include "viewer/platform/x_window.h"

namespace skylacer::viewer::platform {

class RenderLayer {
 public:
  using ErrorReport = std::function<void(const std::string& message)>;
  // The back buffer was (re)created with this size in pixels: at start, after a resize and
  // after a change between window and full-screen mode.
  using BackBufferCreated = std::function<void(Size size)>;

  // `window` must outlive the layer.
  RenderLayer(XWindow& window, ErrorReport report, BackBufferCreated created);
  ~RenderLayer();
  RenderLayer(const RenderLayer&) = delete;
  RenderLayer& operator=(const RenderLayer&) = delete;

  // Creates the context, lists devices and modes and starts in the window. Returns success;
  // on failure the reason has been reported and everything created is released.
  bool start(bool softwareRequested);
  // Releases the back buffer. The display mode never changes, so there is nothing to restore.
  void finish();

  bool ready() const { return ready_; }
  bool fullScreen() const { return window_.fullScreen(); }
  // Full-screen display modes, and the one in use or last used; -1 when there are none.
  const std::vector<DisplayMode>& modes() const { return modes_; }
  int currentMode() const { return currentMode_; }
  // Full screen is always possible: at the screen's own size when no mode is listed.
  bool canGoFullScreen() const { return true; }
  bool canGoWindowed() const { return true; }
  const std::vector<RenderDevice>& devices() const { return devices_; }
  int currentDevice() const { return 0; }
  // Whether the running driver is a software renderer.
  bool softwareRendering() const { return !devices_.empty() && devices_.front().software; }
  Size backBufferSize() const { return backBufferSize_; }
  // Whether drawing is pointless: the window is unmapped (minimised), or inactive in
  // full-screen mode.
  bool hidden() const;

  // Full screen in mode `index` (-1: the screen's own size), back to the window. Return
  // success; failures are reported.
  bool goFullScreen(int index);
  bool goWindowed();
  // Rebuilds the back buffer when the window's size changed (windowed only).
  bool windowResized();

  // Makes the context current and binds the back buffer for drawing.
  RenderStatus beginFrame();
  // Copies the back buffer into the window (scaled in full-screen mode) and swaps; false after
  // reporting a failure.
  bool present();

  // A point of the window in back-buffer pixels, y downwards.
  Point toBackBuffer(Point windowPoint) const;

 private:
  RenderStatus createBackBuffer(Size size);
  void releaseBackBuffer();
  void reportBackBufferFailure(RenderStatus status, Size size);

  XWindow& window_;
  ErrorReport report_;
  BackBufferCreated created_;
  GlFunctions gl_;
  unsigned framebuffer_ = 0;
  unsigned colourBuffer_ = 0;
  Size backBufferSize_;
  std::vector<RenderDevice> devices_;
  std::vector<DisplayMode> modes_;
  int currentMode_ = -1;
  bool contextMade_ = false;
  bool ready_ = false;
};

}  // namespace skylacer::viewer::platform
