// SPDX-License-Identifier: GPL-3.0-or-later
// The main program "panorama": one frameless window whose whole surface is the interface movie.

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>

#include "app/command_line.h"
#include "app/quiltra_app.h"
#include "app/system_desktop_services.h"
#include "app/translations.h"
#include "platform/imaging/local_text.h"
#include "platform/registry/application_settings.h"
#include "platform/registry/settings_location.h"
#include "platform/registry/settings_store.h"
#include "platform/shell/data_folder.h"
#include "platform/shell/large_buffers.h"
#include "platform/shell/message_catalogue.h"
#include "platform/shell/program_folder.h"

int main(int argc, char** argv) {
  using namespace skylacer;
  // Before Qt's GUI, which would need a display; Qt's core alone brings the user's language.
  if (const auto request = app::informationRequest(argc, argv);
      request != app::InformationRequest::None) {
    const QCoreApplication core(argc, argv);
    const app::Translations translations(QLocale::system());
    return app::writeInformation(request, stdout) ? 0 : 1;
  }
  app::CQuiltraApp application(argc, argv);
  std::filesystem::path programFolder;
  try {
    programFolder = shell::programFolder();
  } catch (const std::filesystem::filesystem_error& error) {
    std::fprintf(stderr, "panorama: %s\n",
                 QCoreApplication::translate("CommandLine", "cannot find the program's folder: %1")
                     .arg(QString::fromLocal8Bit(error.what()))
                     .toLocal8Bit()
                     .constData());
    return 1;
  }
  shell::openMessageCatalogue(programFolder);
  setTextLookup(shell::catalogueText);
  // A stitch's alignment memory goes back to the system before its composition, as in
  // panorama-cli.
  shell::returnLargeBuffersWhenFreed();
  registry::SettingsStore userStore(registry::userSettingsFile(),
                                    registry::SettingsStore::Access::ReadWrite);
  const registry::SettingsStore machineStore(registry::machineSettingsFile(),
                                             registry::SettingsStore::Access::ReadOnly);
  registry::ApplicationSettings settings(userStore);
  app::SystemDesktopServices services(userStore, settings,
                                      shell::dataFolder(programFolder, "help") / "help");
  return app::runPanorama(services, userStore, machineStore, QApplication::arguments(),
                          programFolder);
}
