// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/app/scripted_services.h"

namespace skylacer::test {

tuning::MessageAnswer ScriptedMessages::ask(std::string_view text, tuning::MessageKind kind) {
  asked.push_back({std::string(text), kind});
  if (!answers.empty()) {
    const tuning::MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  switch (kind) {
    case tuning::MessageKind::Notice:
    case tuning::MessageKind::Error:
      return tuning::MessageAnswer::Ok;
    case tuning::MessageKind::YesNoCancel:
    case tuning::MessageKind::StitchInFoundOrder:
      return tuning::MessageAnswer::Cancel;
    default:
      return tuning::MessageAnswer::No;
  }
}

std::optional<tuning::FileDialogChoice> ScriptedServices::chooseFiles(
    const tuning::FileDialogRequest& request) {
  fileRequests.push_back(request);
  if (fileChoices.empty()) return std::nullopt;
  std::optional<tuning::FileDialogChoice> choice = fileChoices.front();
  fileChoices.pop_front();
  return choice;
}

std::optional<app::OutputChoice> ScriptedServices::chooseOutput(
    const tuning::FileDialogRequest& request, const output::OutputOptions& offer) {
  fileRequests.push_back(request);
  if (outputPaths.empty()) return std::nullopt;
  app::OutputChoice choice{choiceOf({outputPaths.front()}, outputFilterIndex), offer};
  outputPaths.pop_front();
  return choice;
}

std::vector<std::string> ScriptedServices::messageTexts() const {
  std::vector<std::string> texts;
  for (const AskedMessage& message : scriptedMessages.asked) texts.push_back(message.text);
  return texts;
}

tuning::FileDialogChoice choiceOf(const std::vector<std::string>& files, int filterIndex) {
  tuning::FileDialogChoice choice;
  for (const std::string& file : files) choice.files.emplace_back(file);
  choice.filterIndex = filterIndex;
  return choice;
}

}  // namespace skylacer::test
