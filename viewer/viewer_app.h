// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The viewer program: its window, start-up, panorama loading, input, commands, the main loop
// and shut-down. One object for the life of the process, on the main thread.
//
// Environment variables for scripted runs (tests, benchmarks, the restart with another device):
//   SKYLACER_VIEWER_OPEN_FILE  the file the open-file prompt returns at once;
//   SKYLACER_VIEWER_SNAPSHOT   a PNG path: the view is held still (no automatic turn), a few
//                              frames are drawn, the window's client area as the screen shows it
//                              is saved there and the viewer exits (code 1 if it cannot save);
//   SKYLACER_VIEWER_TRACE      when set, the viewer writes a line to its standard output for
//                              every frame it draws (the camera), every picture it makes the
//                              panorama's tiles from (its size), every box, menu and tooltip
//                              it shows and every page it opens.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "viewer/key_navigation.h"
#include "viewer/message_box.h"
#include "viewer/pan_viewer.h"
#include "viewer/panorama_source.h"
#include "viewer/platform/device_settings.h"
#include "viewer/platform/render_errors.h"
#include "viewer/platform/x_window.h"
#include "viewer/start_options.h"
#include "viewer/toolbar.h"

namespace skylacer::viewer {

namespace platform {
class RenderLayer;
class Scene;
}  // namespace platform
class JpegRows;
class PopupMenu;
class TileUpload;

inline constexpr char kOpenFileVariable[] = "SKYLACER_VIEWER_OPEN_FILE";
inline constexpr char kSnapshotVariable[] = "SKYLACER_VIEWER_SNAPSHOT";
inline constexpr char kTraceVariable[] = "SKYLACER_VIEWER_TRACE";

class ViewerApp {
 public:
  // commandLine: the parsed command line; arguments: the program's arguments after its name,
  // kept for a restart; programName: argv[0], named in messages.
  ViewerApp(CommandLine commandLine, std::vector<std::string> arguments, std::string programName);
  ~ViewerApp();
  ViewerApp(const ViewerApp&) = delete;
  ViewerApp& operator=(const ViewerApp&) = delete;

  // Start-up, the main loop and shut-down; returns the exit code (0 when start-up fails).
  int run();

 private:
  using Clock = std::chrono::steady_clock;

  bool startRenderer();
  void loadPanorama();
  std::optional<PanoramaSource> panoramaSource();
  std::optional<std::filesystem::path> askForPanorama();
  // Makes the panorama's tiles as the picture decodes and shows them; false when the picture
  // cannot be mapped or turns out damaged.
  bool showPicture(std::unique_ptr<JpegRows> picture);
  // One time slice of making the full picture that replaces the reduced one of the first frame;
  // it replaces it once made.
  void continueFullPicture();
  // Textures that cannot be made: none shown, and the reason said.
  void texturesFailed(platform::RenderStatus status);
  // Back to no panorama.
  void clearScene();
  void backBufferCreated(platform::Size size);

  void handleEvent(const platform::WindowEvent& event);
  // One step of the main loop when no event waits.
  void idleStep();
  // advance: the camera moves on (automatic turn, limits); otherwise the last one is drawn
  // again (while a menu or box is open).
  bool drawFrame(bool advance);
  void paintOverlay();
  void takeSnapshot();
  // Shows the view with the open menu or box: drawn with OpenGL, or through X alone while
  // OpenGL does not run.
  void presentModal();
  platform::Size viewSize() const;
  platform::Point toView(platform::Point windowPoint) const;

  void mousePressed(platform::Point position, int button);
  void mouseMoved(platform::Point position, bool leftHeld, unsigned modifiers);
  void keyPressed(unsigned key, unsigned modifiers, bool repeat);
  void keyReleased(unsigned key, unsigned modifiers);

  void runCommand(int command);
  void pressToolbarButton(ToolbarButton button, platform::Point at);
  void openMenu(platform::Point at);
  void showFullScreen(int mode);
  void switchDevice(int index);
  void applySettings();
  void openViewerPage();
  void showNote(std::string note);

  // The viewer's error box: the message and a line break, rendering paused meanwhile.
  void reportError(const std::string& message);
  // A modal box titled with the viewer's name.
  void showMessage(const std::string& message, BoxIcon icon);
  void runBox(MessageBox& box);
  // Hands the window's events to `handle` until `done`, showing the view with the open menu or
  // box again after each event that changed it (handle says so); closing the window shuts
  // the viewer down.
  void runModal(const std::function<bool()>& done,
                const std::function<bool(const platform::WindowEvent&)>& handle);
  void shutDown();
  void trace(const char* format, ...) __attribute__((format(printf, 2, 3)));

  CommandLine commandLine_;
  std::vector<std::string> arguments_;
  std::string programName_;
  std::unique_ptr<platform::XWindow> window_;
  std::unique_ptr<platform::RenderLayer> layer_;
  std::unique_ptr<platform::Scene> scene_;
  std::unique_ptr<PopupMenu> menu_;
  CPanViewer model_;
  Toolbar toolbar_;
  KeyNavigation keys_;
  platform::DeviceSettings settings_;
  platform::CameraFrame lastCamera_;

  // A large panorama's full picture, made once the first frame (from a reduced decode) shows,
  // and its tiles while they are made.
  std::unique_ptr<JpegRows> fullPicture_;
  std::unique_ptr<TileUpload> fullUpload_;
  std::filesystem::path panoramaPath_;  // the chosen JPEG; empty for the program's own block
  double fieldOfView_ = kDefaultFieldOfView;
  platform::Point lastCursor_;  // back-buffer pixels
  bool capturing_ = false;
  bool quitting_ = false;
  bool paused_ = false;
  bool singleStep_ = false;
  bool overlayDirty_ = true;
  Clock::time_point lastFrame_;
  int exitCode_ = 0;

  MessageBox* box_ = nullptr;  // the open box
  std::optional<ToolbarButton> hovered_;
  Clock::time_point hoverSince_;
  std::optional<ToolbarButton> tooltip_;
  std::string note_;
  Clock::time_point noteUntil_;

  std::string openFileAnswer_;
  std::string snapshotPath_;
  int snapshotFrames_ = 0;
  bool tracing_ = false;
};

}  // namespace skylacer::viewer
