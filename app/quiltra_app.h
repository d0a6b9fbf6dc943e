// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application object and the program's start: from the checks of the Qt installation to a
// running main window.

#include <QApplication>
#include <QStringList>
#include <filesystem>

#include "app/desktop_services.h"
#include "app/translations.h"
#include "platform/registry/settings_store.h"

namespace skylacer::app {

// Qt's application object; numbers are formatted in the "C" locale whatever the environment,
// texts are shown in the language of the system's locale where a translation has them.
class CQuiltraApp : public QApplication {
  Q_OBJECT

 public:
  CQuiltraApp(int& argc, char** argv);

 private:
  Translations translations_{QLocale::system()};
};

// The base name of the program's desktop entry ("skylacer3.desktop"), which desktops use to
// match the window to its entry, icon and name.
inline constexpr char kDesktopFileName[] = "skylacer3";

// Names the application to Qt: the maker and product of the settings folders, so the folders Qt
// writes itself (the QML cache) sit beside them under the same names; the window class is the
// product name, which the desktop entry's StartupWMClass repeats; and the desktop entry.
void setApplicationIdentity();

// Starts the program, opening `arguments`' project or photos (app/command_line.h), and runs it
// until the main window closes. Exit codes: 0 for a normal end and for an installation without
// Qt 6.4 or the QML modules (a message names the missing package) or a movie the user did not
// locate; 1 for a movie that does not compile (its errors in a message and on stderr).
int runPanorama(DesktopServices& services, registry::SettingsStore& userStore,
                const registry::SettingsStore& machineStore, const QStringList& arguments,
                const std::filesystem::path& programFolder);

}  // namespace skylacer::app
