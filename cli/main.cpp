// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli: the stitching engine and outputs from a terminal.

#include <cstdio>
#include <cstdlib>
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
#include "resources/version.h"

namespace {

using skylacer::cli::OptionSpec;

constexpr int kMisused = 2;

constexpr std::string_view kUsage =
    "usage:\n"
    "  panorama-cli --version\n"
    "  panorama-cli help [COMMAND], panorama-cli COMMAND --help\n"
    "  panorama-cli preview [--height H] [-q] PHOTO... -o OUT.jpg\n"
    "      every photo scaled to H rows (default 256), side by side in the order given\n"
    "      (-o - writes it to standard output)\n";

constexpr std::string_view kPreviewUsage = kUsage.substr(kUsage.find("  panorama-cli preview"));

constexpr OptionSpec kPreviewOptions[] = {{"", 'o', true}, {"height", 0, true}, {"quiet", 'q'}};

void write(std::string_view text, std::FILE* stream) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

void printUsage(std::FILE* stream) {
  write(kUsage, stream);
  write(skylacer::cli::kStitchUsage, stream);
  write(skylacer::cli::kPublishOptionsUsage, stream);
  write(skylacer::cli::kPublishUsage, stream);
  write(skylacer::cli::kProfilesUsage, stream);
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
    std::fputs("usage:\n", stdout);
    write(kPreviewUsage, stdout);
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
      return usageError("--height needs a positive whole number");
  }
  if (line.operands.empty()) return usageError("no photos given");
  if (output.empty()) return usageError("no output file given (-o OUT.jpg)");
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
                                                 : usageError("help takes one COMMAND");
  }
  if (command == "preview") return runPreview(rest);
  if (command == "stitch") return skylacer::cli::runStitchCommand(rest);
  if (command == "publish") return skylacer::cli::runPublishCommand(rest);
  if (command == "project") return skylacer::cli::runProjectCommand(rest);
  if (command == "profiles") return skylacer::cli::runProfilesCommand(rest);
  return usageError("unknown command");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return skylacer::cli::finishStandardOutput(run(args));
}
