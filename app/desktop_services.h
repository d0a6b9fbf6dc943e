// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the main program needs of the desktop around it: the message boxes and file dialogs of
// the dialogs layer, the save dialog with output options, the small prompts and the tuner,
// opening files and addresses, starting programs, and ending the process. The program uses
// exactly one object of this interface; the tests give their own with scripted answers, so no
// test shows a dialog, starts a browser or a viewer, or ends itself.

#include <optional>
#include <string>

#include "output/panorama.h"
#include "tuning/file_dialog.h"
#include "tuning/message_box.h"

namespace skylacer::app {

// The save dialog with output options: the file and filter, the output size and quality.
struct OutputChoice {
  tuning::FileDialogChoice file;
  output::OutputOptions options;
};

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;

  // Message boxes; also the prompt through which the outputs report failures.
  virtual tuning::MessageBoxes& messages() = 0;
  // A file dialog; nothing when cancelled.
  virtual std::optional<tuning::FileDialogChoice> chooseFiles(
      const tuning::FileDialogRequest& request) = 0;
  // The save dialog of the picture outputs, offering `offer` (the panorama's size, the quality).
  virtual std::optional<OutputChoice> chooseOutput(const tuning::FileDialogRequest& request,
                                                   const output::OutputOptions& offer) = 0;
  // The field of view prompt of a single-photo panorama: whole degrees, 180 unless the user
  // confirmed another value.
  virtual int askFieldOfView() = 0;
  // Runs the tuner with profile `current` selected; answers the profile index to reload with.
  virtual int runTuner(int current) = 0;

  // A file or an address in the program the desktop associates with it; false when nothing
  // could be started. The running program tells the user itself when it could not be opened,
  // also when that is known only later.
  virtual bool openWithAssociatedProgram(const std::string& fileOrAddress) = 0;
  // Starts a program file, detached.
  virtual bool startProgram(const std::string& program) = 0;

  // Ends the process with `code` at once. The tests' replacement records the code and returns;
  // callers return right after it.
  virtual void endProcess(int code) = 0;
};

}  // namespace skylacer::app
