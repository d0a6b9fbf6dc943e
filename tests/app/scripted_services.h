// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Desktop services with scripted answers for the main program's tests: every message box,
// dialog, opened file, started program and process end is recorded; nothing is shown or
// started.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop_services.h"

namespace skylacer::test {

struct AskedMessage {
  std::string text;
  tuning::MessageKind kind;
};

class ScriptedMessages final : public tuning::MessageBoxes {
 public:
  // Answers in order; once they run out, OK for notices and errors, No for Yes/No questions and
  // Cancel for Yes/No/Cancel and the order found's three buttons.
  std::deque<tuning::MessageAnswer> answers;
  std::vector<AskedMessage> asked;

  tuning::MessageAnswer ask(std::string_view text, tuning::MessageKind kind) override;
};

class ScriptedServices final : public app::DesktopServices {
 public:
  ScriptedMessages scriptedMessages;
  // Each file dialog takes the next entry; nothing (or no entry left) is a cancelled dialog.
  std::deque<std::optional<tuning::FileDialogChoice>> fileChoices;
  std::vector<tuning::FileDialogRequest> fileRequests;
  // The save dialog of the picture outputs: the next path with the filter outputFilterIndex,
  // the offered options unchanged.
  std::deque<std::string> outputPaths;
  int outputFilterIndex = 1;
  int fieldOfViewDegrees = 180;
  int tunerIndex = 0;
  std::vector<int> tunerStartedWith;
  std::vector<std::string> opened;
  std::vector<std::string> started;
  std::vector<int> exitCodes;

  tuning::MessageBoxes& messages() override { return scriptedMessages; }
  std::optional<tuning::FileDialogChoice> chooseFiles(
      const tuning::FileDialogRequest& request) override;
  std::optional<app::OutputChoice> chooseOutput(const tuning::FileDialogRequest& request,
                                                const output::OutputOptions& offer) override;
  int askFieldOfView() override { return fieldOfViewDegrees; }
  int runTuner(int current) override {
    tunerStartedWith.push_back(current);
    return tunerIndex;
  }
  bool openWithAssociatedProgram(const std::string& fileOrAddress) override {
    opened.push_back(fileOrAddress);
    return true;
  }
  bool startProgram(const std::string& program) override {
    started.push_back(program);
    return true;
  }
  void endProcess(int code) override { exitCodes.push_back(code); }

  // The texts of every message asked so far.
  std::vector<std::string> messageTexts() const;
};

// A file dialog choice of `files` with the first filter.
tuning::FileDialogChoice choiceOf(const std::vector<std::string>& files, int filterIndex = 1);

}  // namespace skylacer::test
