// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/publish_command.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

#include "cli/command_line.h"
#include "cli/interrupt_guard.h"
#include "cli/memory_limit.h"
#include "cli/progress_bar.h"
#include "engine/memory_estimate.h"
#include "output/image.h"
#include "output/messages.h"
#include "output/project.h"
#include "output/quicktime_movie.h"
#include "output/viewerexport.h"
#include "platform/imaging/bitmap.h"
#include "platform/shell/data_folder.h"
#include "platform/shell/memory_limit.h"
#include "platform/shell/program_folder.h"

namespace skylacer::cli {

namespace {

constexpr int kFailed = 1;
constexpr int kMisused = 2;

// Messages for the user go to standard error, after the progress line.
class TerminalPrompt final : public output::UserPrompt {
 public:
  explicit TerminalPrompt(TerminalProgress& progress) : progress_(progress) {}
  void showMessage(std::string_view text, output::MessageIcon) override {
    progress_.finish();
    std::string lines;
    for (char c : text)
      if (c != '\r') lines += c;
    std::fprintf(stderr, "panorama-cli: %s\n", lines.c_str());
  }

 private:
  TerminalProgress& progress_;
};

std::optional<output::WebViewer> viewerNamed(std::string_view kind) {
  if (kind == "flash") return output::WebViewer::Flash;
  if (kind == "qtvr") return output::WebViewer::QuickTimeVr;
  if (kind == "activex") return output::WebViewer::ActiveX;
  if (kind == "java") return output::WebViewer::Java;
  return std::nullopt;
}

template <typename Number>
bool parseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

constexpr OptionSpec kOptions[] = {
    {"hfov", 0, true}, {"quality", 0, true}, {"memory-limit", 0, true},
    {"size", 0, true}, {"mov", 0, true},     {"html", 0, true},
    {"exe", 0, true},  {"project", 0, true}, {"quiet", 'q'},
};

void printUsage(std::FILE* stream) {
  for (const char* text : {kUsageHeading, kPublishUsage, kPublishOptionsUsage})
    std::fputs(text, stream);
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "panorama-cli: %s\n", message.c_str());
  printUsage(stderr);
  return kMisused;
}

int showUsage() {
  printUsage(stdout);
  return 0;
}

// The picture to publish: the file, or standard input for "-". Nothing, with the reason on
// standard error, when standard input cannot be read.
std::unique_ptr<imaging::Bitmap> openPicture(const std::string& picture) {
  if (picture != kStandardStream) return imaging::Bitmap::fromFile(picture);
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (readStandardInput(bytes, error)) return imaging::Bitmap::fromMemory(std::move(bytes));
  std::fprintf(stderr, "panorama-cli: %s\n", error.c_str());
  return nullptr;
}

}  // namespace

std::vector<output::PlannedOutput> publishOutputs(const PublishRequests& requests) {
  std::vector<output::PlannedOutput> outputs;
  if (!requests.project.empty()) outputs.push_back({requests.project, "--project"});
  if (!requests.movie.empty()) outputs.push_back({requests.movie, "--mov"});
  for (const auto& [viewer, chosen] : requests.pages) {
    const std::vector<output::PlannedOutput> page =
        output::webPageOutputs(viewer, chosen, "the page of --html " + chosen);
    outputs.insert(outputs.end(), page.begin(), page.end());
  }
  if (!requests.viewerProgram.empty()) outputs.push_back({requests.viewerProgram, "--exe"});
  return outputs;
}

bool takePublishOption(std::string_view word, std::string_view value, PublishRequests& requests,
                       std::optional<std::string>& error) {
  if (word == "--mov") {
    requests.movie = value;
  } else if (word == "--exe") {
    requests.viewerProgram = value;
  } else if (word == "--project") {
    requests.project = value;
  } else if (word == "--html") {
    const std::size_t colon = value.find(':');
    const auto viewer = viewerNamed(value.substr(0, colon));
    if (colon == std::string_view::npos || !viewer || colon + 1 == value.size())
      error = localText("--html needs KIND:FILE, KIND flash, qtvr, activex or java");
    else
      requests.pages.emplace_back(*viewer, std::string(value.substr(colon + 1)));
  } else {
    return false;
  }
  return true;
}

int publishPanorama(const output::PanoramaView& panorama, const output::OutputOptions& options,
                    const PublishRequests& requests, std::span<const std::string> photos,
                    const Reporting& reporting) {
  const InterruptGuard interruptGuard;
  TerminalProgress progress(reporting.progressStream(), ::isatty(STDERR_FILENO) != 0,
                            InterruptGuard::flag());
  TerminalPrompt prompt(progress);
  const std::filesystem::path programFolder = shell::programFolder();
  bool allWritten = true;
  // Lists the output just ended; false when Ctrl-C stopped the publishing.
  const auto written = [&](bool ok, const std::string& path) {
    progress.finish();
    if (ok) reporting.result(localText("%s: written"), path.c_str());
    allWritten = allWritten && ok;
    if (!InterruptGuard::interrupted()) return true;
    const std::string stop =
        ok ? localText("stopped after %s", {path}) : localText("stopped, %s not written", {path});
    std::fprintf(stderr, "panorama-cli: %s\n", stop.c_str());
    return false;
  };

  if (!requests.project.empty() &&
      !written(output::saveProject(requests.project, photos, prompt), requests.project))
    return kInterruptedExit;
  if (!requests.movie.empty() &&
      !written(output::savePanorama(panorama, requests.movie, output::kQuickTimeFilterIndex,
                                    options, progress, prompt),
               requests.movie))
    return kInterruptedExit;
  for (const auto& [viewer, chosen] : requests.pages) {
    progress.Report(0, output::kSaving);
    const auto page =
        output::exportWebPage(viewer, chosen, panorama, options,
                              shell::dataFolder(programFolder, "templates"), progress, prompt);
    if (!written(page.has_value(), page ? page->string() : chosen)) return kInterruptedExit;
  }
  if (!requests.viewerProgram.empty()) {
    progress.Report(0, output::kSaving);
    if (!written(output::exportViewer(requests.viewerProgram, panorama, options, programFolder,
                                      progress, prompt),
                 requests.viewerProgram))
      return kInterruptedExit;
  }
  return allWritten ? 0 : kFailed;
}

int runPublishCommand(std::span<const std::string_view> args) {
  const CommandLine line = parseCommandLine(args, kOptions);
  if (line.help && !line.error) return showUsage();
  if (line.error) return usageError(*line.error);
  if (line.operands.size() > 1) return usageError(localText("give one panorama picture"));
  const std::string picture = line.operands.empty() ? std::string() : line.operands.front();
  std::optional<double> degrees;
  std::optional<ImageSize> size;
  int quality = imaging::kDefaultJpegQuality;
  std::optional<std::uint64_t> memoryLimitOption;
  PublishRequests requests;
  Reporting reporting;
  for (const auto& [word, value] : line.options) {
    std::optional<std::string> error;
    if (word == "--quiet") {
      reporting.quiet = true;
    } else if (takePublishOption(word, value, requests, error)) {
      if (error) return usageError(*error);
    } else if (word == "--hfov") {
      double parsed = 0;
      if (!parseNumber(value, parsed) || !(parsed > 0 && parsed <= 360))
        return usageError(
            localText("--hfov needs a field of view in degrees, above 0 and at most 360"));
      degrees = parsed;
    } else if (word == "--quality") {
      if (!parseNumber(value, quality) || quality < 0 || quality > 100)
        return usageError(localText("--quality needs a whole number from 0 to 100"));
    } else if (word == "--memory-limit") {
      memoryLimitOption = parseMemorySize(value);
      if (!memoryLimitOption)
        return usageError(localText("--memory-limit needs a size such as 8G or 512M"));
    } else if (word == "--size") {
      const std::size_t x = value.find('x');
      ImageSize parsed;
      if (x == std::string_view::npos ||
          !parseNumber(std::string_view(value).substr(0, x), parsed.width) ||
          !parseNumber(std::string_view(value).substr(x + 1), parsed.height) || parsed.width < 1 ||
          parsed.height < 1)
        return usageError(localText("--size needs WxH, two positive whole numbers"));
      size = parsed;
    }
  }
  if (picture.empty()) return usageError(localText("no panorama picture given"));
  if (!degrees) return usageError(localText("give the panorama's field of view (--hfov DEG)"));
  if (!requests.any())
    return usageError(localText("nothing to publish: give --mov, --html, --exe or --project"));
  const bool fromStandardInput = picture == kStandardStream;
  if (fromStandardInput && !requests.project.empty())
    return usageError(
        localText("--project lists the picture's file, and standard input (-) has none"));
  const std::vector<std::filesystem::path> inputs =
      fromStandardInput ? std::vector<std::filesystem::path>{}
                        : std::vector<std::filesystem::path>{picture};
  if (const auto collision = output::findOutputCollision(inputs, publishOutputs(requests))) {
    std::fprintf(stderr, "panorama-cli: %s\n",
                 localText("%s; nothing was written", {*collision}).c_str());
    return kFailed;
  }

  const auto bitmap = openPicture(picture);
  if (!bitmap) return kFailed;
  const ImageSize pictureSize{bitmap->width(), bitmap->height()};
  // The picture is published as a single photo is stitched: decoded whole, then scaled.
  const std::vector<ImageSize> sizes = {pictureSize, size.value_or(pictureSize)};
  if (const auto refusal =
          shell::memoryRefusal("the picture and its outputs", estimateStitchBytes(sizes),
                               memoryLimit(memoryLimitOption), kMemoryLimitHint)) {
    std::fprintf(stderr, "panorama-cli: %s\n", refusal->c_str());
    return kFailed;
  }
  RgbImage pixels;
  try {
    if (bitmap->lastStatus() == imaging::ImagingStatus::Ok) pixels = makeRgbImage(pictureSize);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "panorama-cli: %s\n",
                 localText("%s: not enough memory for the picture", {picture}).c_str());
    return kFailed;
  }
  if (bitmap->lastStatus() != imaging::ImagingStatus::Ok ||
      bitmap->readPixels(pixels.data(), pictureSize.width * 3) != imaging::ImagingStatus::Ok) {
    std::fprintf(stderr, "panorama-cli: %s\n",
                 localText("cannot read the picture %s: %s",
                           {picture, output::imagingReasonText(bitmap->lastStatus())})
                     .c_str());
    return kFailed;
  }
  const output::PanoramaView panorama{pixels.data(), pictureSize,
                                      *degrees * output::kProgramPi / 180};
  const std::vector<std::string> photos = {
      fromStandardInput ? picture : std::filesystem::absolute(picture).string()};
  return publishPanorama(panorama, {size.value_or(pictureSize), quality}, requests, photos,
                         reporting);
}

int runProjectCommand(std::span<const std::string_view> args) {
  const CommandLine line = parseCommandLine(args, {});
  if (line.help && !line.error) return showUsage();
  if (line.error || line.operands.size() != 2 || line.operands[0] != "show")
    return usageError(localText("use: project show FILE"));
  const std::string& path = line.operands[1];
  const output::ProjectFile project = output::readProjectFileAt(path);
  if (project.result != output::ProjectFileResult::Ok) {
    std::fprintf(stderr, "panorama-cli: %s\n",
                 output::projectReadFailureText(path, project).c_str());
    return kFailed;
  }
  std::printf(localText("%s: %zu photos\n"), path.c_str(), project.storedPaths.size());
  for (std::size_t i = 0; i < project.storedPaths.size(); ++i) {
    const std::string photo = output::resolvePhotoPath(path, project.storedPaths[i]);
    const auto bitmap = imaging::Bitmap::fromFile(photo);
    const std::string turned =
        project.rotations[i] != 0
            ? localText("  rotation %d", {std::to_string(project.rotations[i])})
            : std::string();
    if (bitmap->lastStatus() == imaging::ImagingStatus::Ok)
      std::printf("%zu  %s  %d x %d%s\n", i + 1, photo.c_str(), bitmap->width(), bitmap->height(),
                  turned.c_str());
    else
      std::printf(localText("%zu  %s  (cannot be read)%s\n"), i + 1, photo.c_str(), turned.c_str());
  }
  return 0;
}

}  // namespace skylacer::cli
