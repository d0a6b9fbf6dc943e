#pragma once

// The viewer's main window: an OpenGL surface whose input and window events go to one
// receiver. Its size is the client area (the window manager owns the caption and frame).

#include <QPointF>
#include <QWindow>

namespace skylacer::viewer::platform {

// Receives the window's events; positions are in the window's coordinates (logical pixels).
class WindowEvents {
 public:
  virtual void windowExposed() = 0;
  virtual void windowResized() = 0;
  virtual void mousePressed(QPointF position, Qt::MouseButton button) = 0;
  virtual void mouseMoved(QPointF position, Qt::MouseButtons buttons,
                          Qt::KeyboardModifiers modifiers) = 0;
  virtual void mouseReleased(QPointF position, Qt::MouseButton button) = 0;
  virtual void keyPressed(int key, Qt::KeyboardModifiers modifiers) = 0;
  // The user or the window manager asks the window to close.
  virtual void closeRequested() = 0;

 protected:
  ~WindowEvents() = default;
};

class RenderWindow : public QWindow {
 public:
  // An OpenGL window (compatibility profile 2.1 or later, no depth buffer); `events` must
  // outlive it.
  explicit RenderWindow(WindowEvents& events);

  bool minimised() const { return windowStates().testFlag(Qt::WindowMinimized); }

 protected:
  void exposeEvent(QExposeEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  WindowEvents& events_;
};

}  // namespace skylacer::viewer::platform
