// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window as the tests drive it: settings stores in a temporary folder, scripted
// desktop services, the real interface movie from the repository, and the labels the program
// calls recorded.

#include <QQuickItem>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/quiltra_dlg.h"
#include "platform/registry/settings_store.h"
#include "tests/app/scripted_services.h"
#include "tests/support/temp_dir.h"

namespace skylacer::test {

// The repository's interfaces/ and the build tree's program folder (viewer.dat, templates/).
std::filesystem::path interfacesDir();
std::filesystem::path programDir();
// Where the tests keep their screenshots.
std::filesystem::path artefactsDir();

class TestHost {
 public:
  // Loads quiltra.qml and starts the window (profiles, and `start`'s project or photos);
  // `show` shows it.
  explicit TestHost(bool show = false, app::StartFiles start = {});
  ~TestHost();

  TempDir folder;
  registry::SettingsStore userStore;
  registry::SettingsStore machineStore;
  ScriptedServices services;
  std::unique_ptr<app::CQuiltraDlg> window;
  // "Operation target label" of every call into the movie, in order.
  QStringList frameActions;

  app::CShockwaveFlash& movie() { return window->movie(); }
  void command(const char* name, const QString& argument = QString()) {
    window->OnFSCommand(QString::fromLatin1(name), argument);
  }
  int labelCount(const QString& label) const;
  QQuickItem* item(const QString& objectName) const;
  // Clicks the middle of the movie's item `objectName`; false when there is no such item.
  bool click(const QString& objectName);
};

// How long a test waits for a stitch of small or sample photos.
inline constexpr int kStitchTimeoutMs = 120000;

// Clicks "Stitch" and waits for the new result and the progress display to go; false when
// either did not come in time.
bool stitchByClicking(TestHost& host);
// Clicks "Stitch" and clicks "Cancel" at the first progress report; true once the progress
// display was hidden after the cancel.
bool stitchCancelledByClicking(TestHost& host);

// Lists the photos in the movie as its strip hands them over ("NumImagesToAlign",
// "alignpath%d"), unturned.
void listPhotos(TestHost& host, const std::vector<std::string>& paths);

// Gives the working state a plain grey panorama of `width` x `height` pixels.
void givePanorama(TestHost& host, int width, int height);

// The paths of the "mountains" sample photos, sorted by name.
std::vector<std::string> samplePhotoPaths();

// Writes a W x H JPEG of a smooth colour ramp (never black, which the engine reads as "no
// data") and answers its path.
std::string writeRampPhoto(const std::filesystem::path& path, int width, int height);

}  // namespace skylacer::test
