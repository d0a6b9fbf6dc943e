#pragma once

// The viewer program: its window, start-up, panorama loading, input, commands, the main loop
// and shut-down. One object for the life of the process, on the main thread.
//
// Two environment variables serve scripted runs (tests, and the restart with another device):
//   SKYLACER_VIEWER_OPEN_FILE  the file the open-file dialog returns at once when it opens;
//   SKYLACER_VIEWER_SNAPSHOT   a PNG path: the view is held still (no automatic turn), a few
//                              frames are drawn, the window's client area as the screen shows it
//                              is saved there and the viewer exits (code 1 if it cannot save).

#include <QIcon>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "viewer/pan_viewer.h"
#include "viewer/panorama_source.h"
#include "viewer/platform/device_settings.h"
#include "viewer/platform/render_window.h"
#include "viewer/start_options.h"
#include "viewer/toolbar.h"

namespace skylacer::viewer {

namespace platform {
class RenderLayer;
class Scene;
}  // namespace platform
class PopupMenu;

inline constexpr char kOpenFileVariable[] = "SKYLACER_VIEWER_OPEN_FILE";
inline constexpr char kSnapshotVariable[] = "SKYLACER_VIEWER_SNAPSHOT";

class ViewerApp final : public platform::WindowEvents {
 public:
  // options: the parsed command line, empty when it held another word (reported once the
  // window shows); arguments: the program's arguments, kept for a restart.
  ViewerApp(std::optional<StartOptions> options, QStringList arguments);
  ~ViewerApp();
  ViewerApp(const ViewerApp&) = delete;
  ViewerApp& operator=(const ViewerApp&) = delete;

  // Start-up, the main loop and shut-down; returns the exit code (0 when start-up fails).
  int run();

 private:
  // WindowEvents
  void windowExposed() override;
  void windowResized() override;
  void mousePressed(QPointF position, Qt::MouseButton button) override;
  void mouseMoved(QPointF position, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers modifiers) override;
  void mouseReleased(QPointF position, Qt::MouseButton button) override;
  void keyPressed(int key, Qt::KeyboardModifiers modifiers) override;
  void closeRequested() override;

  bool startRenderer();
  void loadPanorama();
  std::optional<PanoramaSource> panoramaSource();
  std::optional<std::filesystem::path> askForPanorama();
  void buildScene(const DecodedPicture& picture, double fieldOfView);
  void backBufferCreated(QSize size);

  // One step of the main loop when no event waits; false when the loop should wait for one.
  bool idleStep();
  bool drawFrame();
  void takeSnapshot();

  void runCommand(int command);
  void pressToolbarButton(ToolbarButton button);
  void openMenu(QPoint globalPosition);
  void showFullScreen(int mode);
  void switchDevice(int index);
  void applySettings();

  // The viewer's error box: the message and a line break, rendering paused meanwhile.
  void reportError(const std::string& message);
  // A message box titled with the viewer's name; "\r\n" shows as one line break.
  void showMessage(const std::string& message, bool errorIcon);
  void shutDown();

  std::optional<StartOptions> options_;
  QStringList arguments_;
  QIcon icon_;
  std::unique_ptr<platform::RenderWindow> window_;
  std::unique_ptr<platform::RenderLayer> layer_;
  std::unique_ptr<platform::Scene> scene_;
  std::unique_ptr<PopupMenu> menu_;
  CPanViewer model_;
  Toolbar toolbar_;
  platform::DeviceSettings settings_;

  std::filesystem::path panoramaPath_;  // the chosen JPEG; empty for the program's own block
  double fieldOfView_ = kDefaultFieldOfView;
  QPoint lastCursor_;  // back-buffer pixels
  bool capturing_ = false;
  bool quitting_ = false;
  bool paused_ = false;
  bool singleStep_ = false;
  std::chrono::steady_clock::time_point lastFrame_;
  int exitCode_ = 0;

  QString openFileAnswer_;
  QString snapshotPath_;
  int snapshotFrames_ = 0;
};

}  // namespace skylacer::viewer
