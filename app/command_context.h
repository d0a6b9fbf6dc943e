// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Everything a command of the interface movie works with, handed to the command functions.

#include <filesystem>

#include "app/desktop_services.h"
#include "app/progress.h"
#include "app/shockwave_flash.h"
#include "app/working_state.h"
#include "platform/registry/application_settings.h"

namespace skylacer::app {

struct CommandContext {
  WorkingState& state;
  CShockwaveFlash& movie;
  DesktopServices& services;
  registry::ApplicationSettings& settings;
  CProgress& progress;
  std::filesystem::path programFolder;
  // The private folder the result slices are written to; exists for the window's life.
  std::filesystem::path sliceFolder;
  // "curparam" as this command read it, brought into the profile table.
  int profileIndex = 0;
};

}  // namespace skylacer::app
