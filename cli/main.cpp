// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli: the stitching engine and outputs from a terminal.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/preview.h"
#include "cli/profiles_command.h"
#include "cli/publish_command.h"
#include "cli/reporting.h"
#include "cli/stitch_command.h"
#include "platform/imaging/local_text.h"
#include "platform/shell/message_catalogue.h"
#include "platform/shell/program_folder.h"
#include "resources/version.h"

namespace {

using skylacer::localText;
using skylacer::SourceText;
using skylacer::cli::OptionSpec;

constexpr int kMisused = 2;

constexpr auto kProgramUsage = SourceText(
    "  panorama-cli --version\n"
    "  panorama-cli help [COMMAND], panorama-cli COMMAND --help\n");

constexpr auto kPreviewUsage = SourceText(
    "  panorama-cli preview [--height H] [-q] PHOTO... -o OUT.jpg\n"
    "      every photo scaled to H rows (default 256), side by side in the order given\n"
    "      (-o - writes it to standard output)\n");

constexpr OptionSpec kPreviewOptions[] = {{"", 'o', true}, {"height", 0, true}, {"quiet", 'q'}};

void printUsage(std::FILE* stream) {
  for (const char* text : {skylacer::cli::kUsageHeading, kProgramUsage, kPreviewUsage,
                           skylacer::cli::kStitchUsage, skylacer::cli::kPublishOptionsUsage,
                           skylacer::cli::kPublishUsage, skylacer::cli::kProfilesUsage})
    std::fputs(text, stream);
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "panorama-cli: %s\n", message.c_str());
  printUsage(stderr);
  return kMisused;
}

// Positive whole number from a command-line word, or 0.
int positiveNumber(std::string_view word) {
  int value = 0;
  for (char c : word) {
    if (c < '0' || c > '9' || value > 100000) return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

int runPreview(std::span<const std::string_view> args) {
  const skylacer::cli::CommandLine line = skylacer::cli::parseCommandLine(args, kPreviewOptions);
  if (line.help && !line.error) {
    std::fputs(skylacer::cli::kUsageHeading, stdout);
    std::fputs(kPreviewUsage, stdout);
    return 0;
  }
  if (line.error) return usageError(*line.error);
  std::string output;
  int height = 256;
  skylacer::cli::Reporting reporting;
  for (const auto& [word, value] : line.options) {
    if (word == "-o")
      output = value;
    else if (word == "--quiet")
      reporting.quiet = true;
    else if ((height = positiveNumber(value)) == 0)
      return usageError(localText("--height needs a positive whole number"));
  }
  if (line.operands.empty()) return usageError(localText("no photos given"));
  if (output.empty()) return usageError(localText("no output file given (-o OUT.jpg)"));
  reporting.pictureOnStdout = output == skylacer::cli::kStandardStream;
  return skylacer::cli::writePreviewStrip(line.operands, height, output, reporting);
}

int run(std::span<const std::string_view> args) {
  if (args.empty()) {
    printUsage(stderr);
    return kMisused;
  }
  const std::string_view command = args[0];
  const auto rest = args.subspan(1);
  if (command == "--help" || command == "-h" || (command == "help" && rest.empty())) {
    printUsage(stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("panorama-cli %s\n", skylacer::kVersion);
    return 0;
  }
  if (command == "help") {
    const std::string_view commandHelp[] = {rest[0], "--help"};
    return rest.size() == 1 && rest[0] != "help" ? run(commandHelp)
                                                 : usageError(localText("help takes one COMMAND"));
  }
  if (command == "preview") return runPreview(rest);
  if (command == "stitch") return skylacer::cli::runStitchCommand(rest);
  if (command == "publish") return skylacer::cli::runPublishCommand(rest);
  if (command == "project") return skylacer::cli::runProjectCommand(rest);
  if (command == "profiles") return skylacer::cli::runProfilesCommand(rest);
  return usageError(localText("unknown command"));
}

// The user's language for the texts, from the catalogue in the program's data folder. Without a
// program folder to find it in (no /proc) the texts stay English, as in the "C" locale.
void useUserLanguage() {
  try {
    skylacer::shell::openMessageCatalogue(skylacer::shell::programFolder());
  } catch (const std::filesystem::filesystem_error&) {
    return;
  }
  skylacer::setTextLookup(skylacer::shell::catalogueText);
}

}  // namespace

int main(int argc, char** argv) {
  useUserLanguage();
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return skylacer::cli::finishStandardOutput(run(args));
}
