#pragma once

// The application object and the program's start: from the checks of the Qt installation to a
// running main window.

#include <QApplication>
#include <QStringList>
#include <filesystem>

#include "app/desktop_services.h"
#include "platform/registry/settings_store.h"

namespace skylacer::app {

// Qt's application object; numbers are formatted in the "C" locale whatever the environment.
class CQuiltraApp : public QApplication {
  Q_OBJECT

 public:
  CQuiltraApp(int& argc, char** argv);
};

// The project a command line names: the arguments Qt leaves after the program's name, joined
// by spaces, with every double quote removed.
std::string commandLineProject(const QStringList& arguments);

// Starts the program and runs it until the main window closes. Exit codes: 0 for a normal
// end and for an installation without Qt 6.4 or the QML modules (a message names the missing
// package) or a movie the user did not locate; 1 for a movie that does not compile (its errors
// in a message and on stderr).
int runPanorama(DesktopServices& services, registry::SettingsStore& userStore,
                const registry::SettingsStore& machineStore, const QStringList& arguments,
                const std::filesystem::path& programFolder);

}  // namespace skylacer::app
