// panorama-cli: the stitching engine and outputs from a terminal.

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/preview.h"
#include "cli/profiles_command.h"
#include "cli/publish_command.h"
#include "cli/stitch_command.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  panorama-cli preview [--height H] PHOTO... -o OUT.jpg\n"
    "      every photo scaled to H rows (default 256), side by side in the order given\n";

void printUsage(std::FILE* stream) {
  std::fputs(kUsage, stream);
  const std::string_view stitch = skylacer::cli::kStitchUsage;
  std::fwrite(stitch.data(), 1, stitch.size(), stream);
  const std::string_view publishOptions = skylacer::cli::kPublishOptionsUsage;
  std::fwrite(publishOptions.data(), 1, publishOptions.size(), stream);
  const std::string_view publish = skylacer::cli::kPublishUsage;
  std::fwrite(publish.data(), 1, publish.size(), stream);
  const std::string_view profiles = skylacer::cli::kProfilesUsage;
  std::fwrite(profiles.data(), 1, profiles.size(), stream);
}

int usageError(const char* message) {
  std::fprintf(stderr, "panorama-cli: %s\n", message);
  printUsage(stderr);
  return 2;
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

int runPreview(const std::vector<std::string_view>& args) {
  std::vector<std::string> photos;
  std::string output;
  int height = 256;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--height") {
      if (i + 1 == args.size()) return usageError("an option lacks its value");
      if (args[i] == "-o")
        output = args[++i];
      else if ((height = positiveNumber(args[++i])) == 0)
        return usageError("--height needs a positive whole number");
    } else {
      photos.emplace_back(args[i]);
    }
  }
  if (photos.empty()) return usageError("no photos given");
  if (output.empty()) return usageError("no output file given (-o OUT.jpg)");
  return skylacer::cli::writePreviewStrip(photos, height, output);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    printUsage(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "preview") return runPreview({args.begin() + 1, args.end()});
  if (args[0] == "stitch") return skylacer::cli::runStitchCommand(std::span(args).subspan(1));
  if (args[0] == "publish") return skylacer::cli::runPublishCommand(std::span(args).subspan(1));
  if (args[0] == "project") return skylacer::cli::runProjectCommand(std::span(args).subspan(1));
  if (args[0] == "profiles") return skylacer::cli::runProfilesCommand(std::span(args).subspan(1));
  return usageError("unknown command");
}
