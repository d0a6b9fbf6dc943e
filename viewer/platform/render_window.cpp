#include "viewer/platform/render_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSurfaceFormat>

namespace skylacer::viewer::platform {

RenderWindow::RenderWindow(WindowEvents& events) : events_(events) {
  setSurfaceType(QSurface::OpenGLSurface);
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(0);
  format.setStencilBufferSize(0);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  // The viewer paces its own frames.
  format.setSwapInterval(0);
  setFormat(format);
}

void RenderWindow::exposeEvent(QExposeEvent*) { events_.windowExposed(); }

void RenderWindow::resizeEvent(QResizeEvent*) { events_.windowResized(); }

void RenderWindow::mousePressEvent(QMouseEvent* event) {
  events_.mousePressed(event->position(), event->button());
}

void RenderWindow::mouseMoveEvent(QMouseEvent* event) {
  events_.mouseMoved(event->position(), event->buttons(), event->modifiers());
}

void RenderWindow::mouseReleaseEvent(QMouseEvent* event) {
  events_.mouseReleased(event->position(), event->button());
}

void RenderWindow::keyPressEvent(QKeyEvent* event) {
  events_.keyPressed(event->key(), event->modifiers());
}

void RenderWindow::closeEvent(QCloseEvent* event) {
  // The viewer shuts down and destroys the window itself.
  event->ignore();
  events_.closeRequested();
}

}  // namespace skylacer::viewer::platform
