// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command_line.h"

#include <getopt.h>

#include "platform/imaging/local_text.h"

namespace skylacer::cli {

namespace {

// getopt_long's code for an option without a short name: past every character.
constexpr int kFirstLongOnly = 256;
constexpr int kHelp = 'h';
constexpr int kOperand = 1;  // what "-" at the start of the short options makes of an operand

std::string spelling(const OptionSpec& spec) {
  return spec.name.empty() ? std::string{'-', spec.letter} : "--" + std::string(spec.name);
}

}  // namespace

CommandLine parseCommandLine(std::span<const std::string_view> args,
                             std::span<const OptionSpec> specs) {
  std::vector<std::string> words = {"panorama-cli"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // "-": operands come back in place, whatever POSIXLY_CORRECT says; ":": no messages of
  // getopt's own, and a missing value is told apart from an unknown option.
  std::string shortOptions = "-:h";
  std::vector<option> longOptions;
  std::vector<std::string> names;
  names.reserve(specs.size() + 1);
  std::vector<int> codes;
  for (std::size_t i = 0; i < specs.size(); ++i) {
    const OptionSpec& spec = specs[i];
    const int code = spec.letter != 0 ? spec.letter : kFirstLongOnly + static_cast<int>(i);
    codes.push_back(code);
    if (spec.letter != 0) {
      shortOptions += spec.letter;
      if (spec.takesValue) shortOptions += ':';
    }
    if (!spec.name.empty()) {
      names.emplace_back(spec.name);
      longOptions.push_back(
          {names.back().c_str(), spec.takesValue ? required_argument : no_argument, nullptr, code});
    }
  }
  longOptions.push_back({"help", no_argument, nullptr, kHelp});
  longOptions.push_back({nullptr, 0, nullptr, 0});

  CommandLine line;
  const auto specOf = [&](int code) -> std::optional<std::size_t> {
    for (std::size_t i = 0; i < codes.size(); ++i)
      if (codes[i] == code) return i;
    return std::nullopt;
  };
  const int argc = static_cast<int>(words.size());
  opterr = 0;
  optind = 0;  // 0 rather than 1: glibc starts a fresh scan
  int code = 0;
  while ((code = getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(),
                             nullptr)) != -1) {
    if (code == kOperand) {
      line.operands.emplace_back(optarg);
    } else if (code == kHelp) {
      line.help = true;
    } else if (code == ':' || code == '?') {
      const std::string word = argv[static_cast<std::size_t>(optind) - 1];
      const auto spec = specOf(optopt);
      if (code == ':')
        line.error = localText("%s lacks its value", {spec ? spelling(specs[*spec]) : word});
      else if (spec)  // "--flag=value" for a flag
        line.error = localText("%s takes no value", {spelling(specs[*spec])});
      else if (optopt != 0)
        line.error = localText("unknown option %s", {std::string{'-', static_cast<char>(optopt)}});
      else
        line.error = localText("unknown option %s", {word.substr(0, word.find('='))});
      return line;
    } else {
      line.options.push_back({spelling(specs[*specOf(code)]), optarg != nullptr ? optarg : ""});
    }
  }
  for (int i = optind; i < argc; ++i) line.operands.emplace_back(argv[static_cast<std::size_t>(i)]);
  return line;
}

}  // namespace skylacer::cli
