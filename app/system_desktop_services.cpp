// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/system_desktop_services.h"

#include <QApplication>
#include <cstdlib>

#include "app/associated_program.h"
#include "platform/shell/program_launch.h"
#include "tuning/save_dialog.h"
#include "tuning/tuner_dialog.h"
#include "tuning/view_angle_dialog.h"

namespace skylacer::app {

SystemDesktopServices::SystemDesktopServices(registry::SettingsStore& userStore,
                                             registry::ApplicationSettings& settings,
                                             std::filesystem::path helpFolder)
    : userStore_(userStore), settings_(settings), helpFolder_(std::move(helpFolder)) {}

std::optional<tuning::FileDialogChoice> SystemDesktopServices::chooseFiles(
    const tuning::FileDialogRequest& request) {
  return tuning::runFileDialog(request, QApplication::activeWindow());
}

std::optional<OutputChoice> SystemDesktopServices::chooseOutput(
    const tuning::FileDialogRequest& request, const output::OutputOptions& offer) {
  tuning::CMySaveDlg dialog(request, offer, settings_, messages_, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return OutputChoice{dialog.choice(), dialog.options()};
}

int SystemDesktopServices::askFieldOfView() {
  tuning::CViewAngle dialog(messages_, QApplication::activeWindow());
  dialog.exec();
  return dialog.degrees();
}

int SystemDesktopServices::runTuner(int current) {
  tuning::CMTuneDlg dialog(userStore_, current, messages_, helpFolder_,
                           QApplication::activeWindow());
  dialog.exec();
  return dialog.currentIndex();
}

bool SystemDesktopServices::openWithAssociatedProgram(const std::string& fileOrAddress) {
  return app::openWithAssociatedProgram(fileOrAddress, messages_);
}

bool SystemDesktopServices::startProgram(const std::string& program) {
  return shell::startDetached(program, {});
}

void SystemDesktopServices::endProcess(int code) {
  std::exit(code);
}

}  // namespace skylacer::app
