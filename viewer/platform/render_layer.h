#pragma once

// The viewer's rendering layer over OpenGL: the context on the main window, a back buffer
// (an OpenGL framebuffer object) the viewer draws each frame into, windowed and full-screen
// presentation, the rendering devices and the full-screen display modes.
//
// Presentation copies the back buffer into the window. In a window the back buffer has the
// window's size in pixels; in full-screen mode it has the mode's size and is scaled to the
// whole screen, the display keeping its own mode. Every failing step is reported through the
// error report given at construction, with a message naming the step and the status's name.

#include <QImage>
#include <QRect>
#include <QSize>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "viewer/platform/display_modes.h"
#include "viewer/platform/render_devices.h"
#include "viewer/platform/render_errors.h"
#include "viewer/platform/render_window.h"

class QOpenGLContext;
class QOpenGLFunctions;
class QOpenGLFunctions_2_1;

namespace skylacer::viewer::platform {

class RenderLayer {
 public:
  using ErrorReport = std::function<void(const std::string& message)>;
  // The back buffer was (re)created with this size in pixels: at start, after a resize and
  // after a change between window and full-screen mode.
  using BackBufferCreated = std::function<void(QSize size)>;

  // `window` must outlive the layer.
  RenderLayer(RenderWindow& window, ErrorReport report, BackBufferCreated created);
  ~RenderLayer();
  RenderLayer(const RenderLayer&) = delete;
  RenderLayer& operator=(const RenderLayer&) = delete;

  // Creates the context, lists devices and modes and starts in the window. Returns success;
  // on failure the reason has been reported and everything created is released.
  bool start(bool softwareRequested);
  // Releases the back buffer and the context (current while the caller releases its objects
  // first). The display mode never changes, so there is nothing to restore.
  void finish();

  bool ready() const { return ready_; }
  bool fullScreen() const { return fullScreen_; }
  // Full-screen display modes, and the one in use or last used; -1 when there are none.
  const std::vector<DisplayMode>& modes() const { return modes_; }
  int currentMode() const { return currentMode_; }
  bool canGoFullScreen() const { return !modes_.empty(); }
  // Rendering in a window is always possible.
  bool canGoWindowed() const { return true; }
  const std::vector<RenderDevice>& devices() const { return devices_; }
  int currentDevice() const { return 0; }
  QSize backBufferSize() const { return backBufferSize_; }
  // Whether drawing is pointless: the window is minimised, or inactive in full-screen mode.
  bool hidden() const;

  // The OpenGL functions of the context, valid between start and finish.
  QOpenGLFunctions_2_1& gl() const { return *gl21_; }
  QOpenGLFunctions& functions() const;

  // Full screen in mode `index`, back to the window. Return success; failures are reported.
  bool goFullScreen(int index);
  bool goWindowed();
  // Rebuilds the back buffer when the window's size changed (windowed only).
  bool windowResized();

  // Makes the context current and binds the back buffer for drawing.
  RenderStatus beginFrame();
  // Copies the back buffer into the window (scaled in full-screen mode) and swaps; false after
  // reporting a failure. Nothing happens while the window is not exposed.
  bool present();

  // A point of the window (logical pixels) in back-buffer pixels, y downwards.
  QPoint toBackBuffer(QPointF windowPoint) const;
  // What the screen shows of the window's client area.
  QImage captureWindow() const;

 private:
  QSize windowPixelSize() const;
  RenderStatus createBackBuffer(QSize size);
  void releaseBackBuffer();
  void reportBackBufferFailure(RenderStatus status, QSize size);

  RenderWindow& window_;
  ErrorReport report_;
  BackBufferCreated created_;
  std::unique_ptr<QOpenGLContext> context_;
  QOpenGLFunctions_2_1* gl21_ = nullptr;  // owned by the context
  unsigned framebuffer_ = 0;
  unsigned colourBuffer_ = 0;
  QSize backBufferSize_;
  std::vector<RenderDevice> devices_;
  std::vector<DisplayMode> modes_;
  int currentMode_ = -1;
  QRect windowedGeometry_;
  bool fullScreen_ = false;
  bool ready_ = false;
};

}  // namespace skylacer::viewer::platform
