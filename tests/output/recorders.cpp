// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/output/recorders.h"

namespace skylacer::test {

bool RecordingProgress::Report(double fraction, const char* text) {
  reports.push_back({ranges.map(fraction), text != nullptr ? text : ""});
  return reports.back().position >= stopFrom;
}

std::vector<std::string> RecordingProgress::texts() const {
  std::vector<std::string> given;
  for (const Entry& entry : reports)
    if (!entry.text.empty()) given.push_back(entry.text);
  return given;
}

void RecordingMovie::setVariable(std::string_view name, std::string_view text) {
  variables.emplace_back(name, text);
}

std::string RecordingMovie::getVariable(std::string_view name) {
  for (auto it = variables.rbegin(); it != variables.rend(); ++it)
    if (it->first == name) return it->second;
  return "";
}

void RecordingMovie::callLabel(std::string_view target, std::string_view label) {
  labels.push_back(std::string(target) + " " + std::string(label));
}

}  // namespace skylacer::test
