// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window: a frameless window whose whole surface is the interface movie. It owns the
// working state, answers the movie's commands, follows the movie's title bar when it is
// dragged, keeps its 7 : 5 proportion, and asks before unsaved work is lost.

#include <QPoint>
#include <QQuickWidget>
#include <QRect>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/command_context.h"
#include "app/command_line.h"
#include "app/desktop_services.h"
#include "app/progress.h"
#include "app/shockwave_flash.h"
#include "app/window_geometry.h"
#include "app/working_state.h"
#include "platform/registry/application_settings.h"
#include "platform/registry/settings_store.h"

namespace skylacer::app {

struct HostEnvironment {
  DesktopServices& services;
  registry::SettingsStore& userStore;
  const registry::SettingsStore& machineStore;
  // The folder of the program file: "viewer.dat", "templates/", "help/", "Support.url".
  std::filesystem::path programFolder;
};

class CQuiltraDlg : public QWidget {
  Q_OBJECT

 public:
  explicit CQuiltraDlg(HostEnvironment environment);
  ~CQuiltraDlg() override;

  // "Interface" under "Settings" as stored, "quiltra.swf" by default.
  const std::string& interfaceFile() const { return state_.interfaceFile; }

  // Loads the interface movie; answers its errors, empty when it plays.
  QStringList loadInterface(const std::filesystem::path& moviePath);
  // Places the window, hands the movie the profiles and opens the project of `files` (double
  // quotes removed) when it names one, or adds its photos to the new project.
  void start(StartFiles files);

  // Runs one command of the movie now (the movie's FSCommand queues into this).
  void OnFSCommand(const QString& command, const QString& argument);
  // The close query: stores the window rectangle, asks about unsaved changes and saves on Yes.
  // True when the caller may go on; a cancelled or failed save answers false.
  bool closeQuery();

  CShockwaveFlash& movie() { return movie_; }
  QQuickWidget& quickWidget() { return *quick_; }
  WorkingState& state() { return state_; }
  // The progress object, once the first command has created it.
  CProgress* progress() { return progress_.get(); }
  bool longCommandRunning() const { return longCommand_; }
  bool dragging() const { return dragging_; }
  const std::filesystem::path& sliceFolder() const { return sliceFolder_; }

  // Placement: the stored rectangle when it is plausible on `screen`, else the default.
  // On Wayland a client cannot learn its position, so the stored rectangle is never used.
  static WindowRect placement(const std::optional<std::vector<std::uint8_t>>& stored,
                              PixelSize screen, bool positionKnown);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  CommandContext commandContext(int profileIndex);
  template <typename Command>
  void runLong(Command&& command);
  void applySizeRule();
  bool handleBorder(QEvent* event);
  void startTitleDrag();
  void removeTemporaryFiles();

  HostEnvironment env_;
  registry::ApplicationSettings settings_;
  WorkingState state_;
  CShockwaveFlash movie_;
  QQuickWidget* quick_;
  std::unique_ptr<CProgress> progress_;
  std::filesystem::path sliceFolder_;

  bool longCommand_ = false;
  bool closeAfterCommand_ = false;
  bool closeAllowed_ = false;
  bool maximised_ = false;
  bool dragging_ = false;
  QPoint grab_;
  // Border resizing done by us: the edge, the rectangle and cursor position at the press.
  std::optional<SizingEdge> resizeEdge_;
  QRect resizeStartRect_;
  QPoint resizeStartCursor_;
  // The outer size last asked for by the size rule, so a window manager that imposes another
  // size is not asked again and again.
  std::optional<QSize> requestedSize_;
};

}  // namespace skylacer::app
