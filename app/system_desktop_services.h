// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop services of the running program: the dialogs layer's message boxes, file
// dialogs, save dialog, field-of-view prompt and tuner; the shell layer for opening files and
// starting programs; and the process's real end.

#include <filesystem>

#include "app/desktop_services.h"
#include "platform/registry/application_settings.h"
#include "platform/registry/settings_store.h"

namespace skylacer::app {

class SystemDesktopServices final : public DesktopServices {
 public:
  // The store and the settings are owned by the caller and outlive this object. `helpFolder`
  // holds the tuner's help pages.
  SystemDesktopServices(registry::SettingsStore& userStore, registry::ApplicationSettings& settings,
                        std::filesystem::path helpFolder);

  tuning::MessageBoxes& messages() override { return messages_; }
  std::optional<tuning::FileDialogChoice> chooseFiles(
      const tuning::FileDialogRequest& request) override;
  std::optional<OutputChoice> chooseOutput(const tuning::FileDialogRequest& request,
                                           const output::OutputOptions& offer) override;
  int askFieldOfView() override;
  int runTuner(int current) override;
  bool openWithAssociatedProgram(const std::string& fileOrAddress) override;
  bool startProgram(const std::string& program) override;
  void endProcess(int code) override;

 private:
  registry::SettingsStore& userStore_;
  registry::ApplicationSettings& settings_;
  std::filesystem::path helpFolder_;
  // Dialogs are modal over the active window; message boxes over the whole application.
  tuning::QtMessageBoxes messages_{nullptr};
};

}  // namespace skylacer::app
