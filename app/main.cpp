// SPDX-License-Identifier: GPL-3.0-or-later
// The main program "panorama": one frameless window whose whole surface is the interface movie.

#include <cstdio>
#include <filesystem>

#include "app/command_line.h"
#include "app/quiltra_app.h"
#include "app/system_desktop_services.h"
#include "platform/imaging/local_text.h"
#include "platform/registry/application_settings.h"
#include "platform/registry/settings_location.h"
#include "platform/registry/settings_store.h"
#include "platform/shell/data_folder.h"
#include "platform/shell/message_catalogue.h"
#include "platform/shell/program_folder.h"

int main(int argc, char** argv) {
  using namespace skylacer;
  // Before Qt, which would need a display.
  if (const auto request = app::informationRequest(argc, argv);
      request != app::InformationRequest::None)
    return app::writeInformation(request, stdout) ? 0 : 1;
  app::CQuiltraApp application(argc, argv);
  std::filesystem::path programFolder;
  try {
    programFolder = shell::programFolder();
  } catch (const std::filesystem::filesystem_error& error) {
    std::fprintf(stderr, "panorama: cannot find the program's folder: %s\n", error.what());
    return 1;
  }
  shell::openMessageCatalogue(programFolder);
  setTextLookup(shell::catalogueText);
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
