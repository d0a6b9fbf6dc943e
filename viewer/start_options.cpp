// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/start_options.h"

namespace skylacer::viewer {
namespace {

bool isOptionWord(std::string_view word) {
  return word == "systemmemory" || word == "emulation" || word == "help" || word == "h" ||
         word == "?";
}

}  // namespace

std::string commandLineText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

std::optional<StartOptions> parseStartOptions(std::string_view commandLine) {
  StartOptions options;
  constexpr std::string_view kSeparators = " -";
  std::size_t position = commandLine.find_first_not_of(kSeparators);
  while (position != std::string_view::npos) {
    const std::size_t end = commandLine.find_first_of(kSeparators, position);
    const std::string_view token = commandLine.substr(position, end - position);
    if (token == "systemmemory")
      options.systemMemory = true;
    else if (token == "emulation")
      options.emulation = true;
    else if (token == "help" || token == "h" || token == "?")
      options.help = true;
    else
      return std::nullopt;
    position = commandLine.find_first_not_of(kSeparators, end);
  }
  return options;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  std::string options;
  bool tooManyPaths = false;
  for (const std::string& argument : arguments) {
    if (!argument.empty() && argument.front() != '-' && !isOptionWord(argument)) {
      if (!result.picturePath.empty()) tooManyPaths = true;
      result.picturePath = argument;
      continue;
    }
    if (!options.empty()) options += ' ';
    options += argument;
  }
  result.options = parseStartOptions(options);
  if (tooManyPaths) result.options.reset();
  return result;
}

}  // namespace skylacer::viewer
