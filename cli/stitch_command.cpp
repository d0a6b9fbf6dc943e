// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/stitch_command.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "cli/cameras_json.h"
#include "cli/command_line.h"
#include "cli/interrupt_guard.h"
#include "cli/memory_limit.h"
#include "cli/picture_destination.h"
#include "cli/profiles_command.h"
#include "cli/progress_bar.h"
#include "cli/publish_command.h"
#include "cli/reporting.h"
#include "engine/memory_estimate.h"
#include "engine/messages.h"
#include "engine/stitch.h"
#include "output/file_replacement.h"
#include "output/image.h"
#include "output/messages.h"
#include "output/output_collisions.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/failure_reason.h"
#include "platform/registry/settings_location.h"
#include "platform/registry/settings_store.h"
#include "platform/shell/large_buffers.h"
#include "platform/shell/machine_processors.h"
#include "platform/shell/memory_limit.h"
#include "tuning/profiles.h"

namespace skylacer::cli {

using imaging::Bitmap;
using imaging::ImagingStatus;
using output::FileKind;
using output::FileReplacement;

namespace {

constexpr int kFailed = 1;
constexpr int kMisused = 2;
constexpr double kDegreesPerRadian = 180 / std::numbers::pi;

struct Rotation {
  int photo = 0;  // index from 0
  int code = 0;
};

struct StitchOptions {
  std::vector<std::string> photos;
  std::string output;
  bool fullCircle = false;
  std::vector<Rotation> rotations;
  std::string profile;
  std::optional<std::string> paramsText;
  int quality = imaging::kDefaultJpegQuality;
  std::optional<ImageSize> outputSize;
  std::optional<double> fieldOfViewDegrees;
  std::string camerasFile;
  bool verbose = false;
  bool stitchAnyway = false;
  bool inFoundOrder = false;
  std::optional<std::uint64_t> memoryLimit;
  PublishRequests publish;
  Reporting reporting;
};

constexpr OptionSpec kOptions[] = {
    {"full360"},          {"verbose", 'v'},          {"quiet", 'q'},      {"stitch-anyway"},
    {"in-found-order"},   {"", 'o', true},           {"rotate", 0, true}, {"profile", 0, true},
    {"params", 0, true},  {"quality", 0, true},      {"size", 0, true},   {"hfov", 0, true},
    {"cameras", 0, true}, {"memory-limit", 0, true}, {"mov", 0, true},    {"html", 0, true},
    {"exe", 0, true},     {"project", 0, true},
};

// The engine's trace on standard error, each piece on a line after the progress bar's.
class StderrTrace final : public TraceSink {
 public:
  explicit StderrTrace(TerminalProgress& progress) : progress_(progress) {}
  void write(std::string_view text) override {
    progress_.finish();
    std::fwrite(text.data(), 1, text.size(), stderr);
  }

 private:
  TerminalProgress& progress_;
};

void printUsage(std::FILE* stream) {
  for (const char* text : {kUsageHeading, kStitchUsage, kPublishOptionsUsage})
    std::fputs(text, stream);
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "panorama-cli: %s\n", message.c_str());
  printUsage(stderr);
  return kMisused;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "panorama-cli: %s\n", message.c_str());
  return kFailed;
}

int stopped() {
  std::fprintf(stderr, "panorama-cli: %s\n", localText("stopped, nothing written"));
  return kInterruptedExit;
}

template <typename Number>
bool parseWhole(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool parseRotation(std::string_view text, Rotation& rotation) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  int photo = 0;
  if (!parseWhole(text.substr(0, colon), photo) || photo < 1) return false;
  if (!parseWhole(text.substr(colon + 1), rotation.code)) return false;
  rotation.photo = photo - 1;
  return rotation.code >= 0 && rotation.code < imaging::kRotateFlipCodes;
}

bool parseSize(std::string_view text, ImageSize& size) {
  const std::size_t x = text.find('x');
  return x != std::string_view::npos && parseWhole(text.substr(0, x), size.width) &&
         parseWhole(text.substr(x + 1), size.height) && size.width > 0 && size.height > 0 &&
         std::int64_t{size.width} * size.height <= imaging::kMaxPixels;
}

// Options and photos from the words after "stitch"; an error message when they do not parse.
std::optional<std::string> parseOptions(const CommandLine& line, StitchOptions& options) {
  if (line.error) return line.error;
  options.photos = line.operands;
  for (const auto& [word, value] : line.options) {
    std::optional<std::string> publishError;
    if (word == "--full360") {
      options.fullCircle = true;
    } else if (word == "--verbose") {
      options.verbose = true;
    } else if (word == "--quiet") {
      options.reporting.quiet = true;
    } else if (word == "--stitch-anyway") {
      options.stitchAnyway = true;
    } else if (word == "--in-found-order") {
      options.inFoundOrder = true;
    } else if (takePublishOption(word, value, options.publish, publishError)) {
      if (publishError) return publishError;
    } else if (word == "-o") {
      options.output = value;
    } else if (word == "--rotate") {
      Rotation rotation;
      if (!parseRotation(value, rotation))
        return localText("--rotate needs N:CODE, N from 1, CODE 0-7");
      options.rotations.push_back(rotation);
    } else if (word == "--profile") {
      options.profile = value;
    } else if (word == "--params") {
      options.paramsText = value;
    } else if (word == "--quality") {
      if (!parseWhole(value, options.quality) || options.quality < 0 || options.quality > 100)
        return localText("--quality needs a whole number from 0 to 100");
    } else if (word == "--size") {
      ImageSize size;
      if (!parseSize(value, size)) return localText("--size needs WxH, two positive whole numbers");
      options.outputSize = size;
    } else if (word == "--hfov") {
      double degrees = 0;
      if (!parseWhole(value, degrees) || !(degrees > 0 && degrees <= 360))
        return localText("--hfov needs a field of view in degrees, above 0 and at most 360");
      options.fieldOfViewDegrees = degrees;
    } else if (word == "--cameras") {
      options.camerasFile = value;
    } else if (word == "--memory-limit") {
      options.memoryLimit = parseMemorySize(value);
      if (!options.memoryLimit)
        return localText("--memory-limit needs a size such as 8G, 512M or 1000000");
    }
  }
  options.reporting.pictureOnStdout = options.output == kStandardStream;
  if (options.photos.empty()) return localText("no photos given");
  if (options.output.empty()) return localText("no output file given (-o OUT.jpg)");
  if (options.photos.size() == 1 && !options.fieldOfViewDegrees)
    return localText(
        "a single photo is used as the panorama as it is: give its field of view (--hfov DEG)");
  if (options.photos.size() > 1 && options.fieldOfViewDegrees)
    return localText("--hfov is for a single photo; the field of view of a stitch is measured");
  if (!options.profile.empty() && options.paramsText)
    return localText("give --profile or --params, not both");
  if (std::count(options.photos.begin(), options.photos.end(), kStandardStream) > 1)
    return localText("standard input (-) can be one photo only");
  for (const Rotation& rotation : options.rotations)
    if (static_cast<std::size_t>(rotation.photo) >= options.photos.size())
      return localText("--rotate names photo %d of %d",
                       {std::to_string(rotation.photo + 1), std::to_string(options.photos.size())});
  return std::nullopt;
}

// The record of the stored profile named `name` (the tuner's reading of the user's store).
std::optional<StitchParams> storedProfile(const std::string& name, std::string& error) {
  const std::filesystem::path storeFile = registry::userSettingsFile();
  if (storeFile.empty()) {
    error = localText("no settings store: neither XDG_CONFIG_HOME nor HOME names a folder");
    return std::nullopt;
  }
  const registry::SettingsStore store(storeFile, registry::SettingsStore::Access::ReadOnly);
  const tuning::ProfileTable table = tuning::readProfilesForEditing(store, 0);
  warnOfClampedProfiles(table);
  for (const tuning::ParamProfile& profile : table.profiles)
    if (profile.name == name) return profile.record;
  error = localText("no stored profile is named \"%s\" (panorama-cli profiles list shows them)",
                    {name});
  return std::nullopt;
}

std::optional<StitchParams> stitchParams(const StitchOptions& options, std::string& error) {
  if (!options.profile.empty()) return storedProfile(options.profile, error);
  if (!options.paramsText) return paramsFromProfileText(kDefaultProfileText);
  if (const std::optional<std::string> problem = profileTextProblem(*options.paramsText)) {
    error = localText("--params needs the 13 numbers of a profile, such as \"%s\": %s",
                      {kDefaultProfileText, *problem});
    return std::nullopt;
  }
  return paramsFromProfileText(*options.paramsText);
}

// Opens and rotates every photo; the first unreadable one gives an error naming it.
std::optional<std::vector<std::unique_ptr<Bitmap>>> openPhotos(const StitchOptions& options,
                                                               std::string& error) {
  std::vector<std::unique_ptr<Bitmap>> bitmaps;
  for (const std::string& path : options.photos) {
    std::vector<std::uint8_t> bytes;
    if (path == kStandardStream && !readStandardInput(bytes, error)) return std::nullopt;
    auto bitmap =
        path == kStandardStream ? Bitmap::fromMemory(std::move(bytes)) : Bitmap::fromFile(path);
    if (bitmap->lastStatus() != ImagingStatus::Ok || bitmap->width() <= 0) {
      error = localText("cannot read the photo %s: %s",
                        {path, output::imagingReasonText(bitmap->lastStatus())});
      return std::nullopt;
    }
    bitmaps.push_back(std::move(bitmap));
  }
  for (const Rotation& rotation : options.rotations) {
    Bitmap& bitmap = *bitmaps[static_cast<std::size_t>(rotation.photo)];
    if (bitmap.rotateFlip(rotation.code) != ImagingStatus::Ok) {
      error = localText("cannot rotate the photo %s: %s",
                        {options.photos[static_cast<std::size_t>(rotation.photo)],
                         output::imagingReasonText(bitmap.lastStatus())});
      return std::nullopt;
    }
  }
  return bitmaps;
}

// Encodes the panorama, scaled when asked, into the output (a file not yet put in place), with
// the colour profile and capture date of `firstPhoto`. False with `error` when it cannot, and
// false when `progress` asked to stop.
bool savePanorama(const ComposedPanorama& panorama, const StitchOptions& options,
                  const Bitmap& firstPhoto, IProgress& progress, PictureDestination& output,
                  std::string& error) {
  progress.Report(0, output::kConvertingToJpeg);
  std::vector<std::uint8_t> bytes;
  const ImagingStatus encoded =
      output::encodeJpeg(panorama.picture(), panorama.size, static_cast<int>(panorama.stride),
                         options.outputSize.value_or(panorama.size), options.quality, bytes,
                         &firstPhoto.metadata(), &progress, shell::usableProcessors());
  if (encoded == ImagingStatus::Aborted) return false;
  if (encoded == ImagingStatus::OutOfMemory) throw std::bad_alloc();
  if (encoded != ImagingStatus::Ok) {
    error = output::cannotWriteText(options.output, output::imagingReasonText(encoded));
    return false;
  }
  return output.write(bytes, error);
}

// Every file the run writes, for the check that they can be written and overwrite nothing read.
std::vector<output::PlannedOutput> plannedOutputs(const StitchOptions& options) {
  std::vector<output::PlannedOutput> outputs;
  if (!options.reporting.pictureOnStdout) outputs.push_back({options.output, "-o"});
  if (!options.camerasFile.empty()) outputs.push_back({options.camerasFile, "--cameras"});
  const std::vector<output::PlannedOutput> published = publishOutputs(options.publish);
  outputs.insert(outputs.end(), published.begin(), published.end());
  return outputs;
}

// The cameras of a single photo used as the panorama: looking straight ahead.
std::vector<CameraReport> singlePhotoCamera(const StitchOptions& options, int width,
                                            double fieldOfView) {
  CameraReport camera;
  camera.file = options.photos.front();
  camera.focalPixels = width / 2.0 / std::tan(fieldOfView / 2);
  return {camera};
}

std::vector<Bitmap*> photoPointers(const std::vector<std::unique_ptr<Bitmap>>& bitmaps) {
  std::vector<Bitmap*> photos;
  for (const auto& bitmap : bitmaps) photos.push_back(bitmap.get());
  return photos;
}

// The photos' bitmaps and paths rearranged into `order` (0-based indices, left to right).
void putInOrder(std::span<const int> order, std::vector<std::unique_ptr<Bitmap>>& bitmaps,
                std::vector<std::string>& paths) {
  std::vector<std::unique_ptr<Bitmap>> orderedBitmaps;
  std::vector<std::string> orderedPaths;
  for (const int photo : order) {
    orderedBitmaps.push_back(std::move(bitmaps[static_cast<std::size_t>(photo)]));
    orderedPaths.push_back(paths[static_cast<std::size_t>(photo)]);
  }
  bitmaps = std::move(orderedBitmaps);
  paths = std::move(orderedPaths);
}

// Runs the engine on the photos. With --in-found-order a series refused for its order is put in
// the order found (bitmaps and options.photos alike, so that every later message, camera and
// project follows it; `foundOrder` receives it) and stitched again; a series refused for another
// reason is then stitched again only with --stitch-anyway, since the first run had to refuse to
// find the order.
std::optional<StitchResult> runEngine(std::vector<std::unique_ptr<Bitmap>>& bitmaps,
                                      StitchOptions& options, const StitchParams& params,
                                      IProgress& progress, TraceSink& trace,
                                      std::vector<int>& foundOrder) {
  const AlignmentCheck check =
      options.stitchAnyway ? AlignmentCheck::StitchAnyway : AlignmentCheck::Refuse;
  StitchParams runParams = params;
  const int workers = shell::usableProcessors();
  std::optional<StitchResult> result =
      stitchPanorama(photoPointers(bitmaps), runParams, &progress, trace,
                     options.inFoundOrder ? AlignmentCheck::Refuse : check, workers);
  if (!options.inFoundOrder || !result || !result->refusal || !result->panorama.pixels.empty())
    return result;
  if (result->refusal->problem == AlignmentProblem::WrongOrder) foundOrder = result->refusal->order;
  if (foundOrder.empty() && !options.stitchAnyway) return result;
  if (!foundOrder.empty()) putInOrder(foundOrder, bitmaps, options.photos);
  runParams = params;
  return stitchPanorama(photoPointers(bitmaps), runParams, &progress, trace, check, workers);
}

int stitch(StitchOptions options) {
  std::string error;
  const std::optional<StitchParams> parsedParams = stitchParams(options, error);
  if (!parsedParams) return options.paramsText ? usageError(error) : failure(error);
  StitchParams params = *parsedParams;
  params.full360 = options.fullCircle ? 1 : 0;
  std::vector<std::filesystem::path> inputs;
  for (const std::string& photo : options.photos)
    if (photo != kStandardStream) inputs.emplace_back(photo);
  if (const auto collision = output::findOutputCollision(inputs, plannedOutputs(options)))
    return failure(localText("%s; nothing was written", {*collision}));

  auto bitmaps = openPhotos(options, error);
  if (!bitmaps) return failure(error);
  std::vector<ImageSize> sizes;
  for (const auto& bitmap : *bitmaps) sizes.push_back({bitmap->width(), bitmap->height()});
  if (const auto refusal = shell::memoryRefusal("the photos", estimateStitchBytes(sizes),
                                                memoryLimit(options.memoryLimit), kMemoryLimitHint))
    return failure(*refusal);
  const int photoWidth = bitmaps->front()->width();
  std::optional<PictureDestination> output = PictureDestination::open(options.output, error);
  if (!output) return failure(error);
  const auto cameras =
      options.camerasFile.empty()
          ? nullptr
          : FileReplacement::create(options.camerasFile, FileKind::Document, &error);
  if (!options.camerasFile.empty() && !cameras) return failure(error);

  const InterruptGuard interruptGuard;
  std::optional<StitchResult> result;
  TerminalProgress progress(options.reporting.progressStream(), ::isatty(STDERR_FILENO) != 0,
                            InterruptGuard::flag());
  std::vector<int> foundOrder;
  {
    StderrTrace stderrTrace(progress);
    NullTrace nullTrace;
    TraceSink& trace = options.verbose ? static_cast<TraceSink&>(stderrTrace) : nullTrace;
    result = runEngine(*bitmaps, options, params, progress, trace, foundOrder);
  }
  progress.finish();
  if (InterruptGuard::interrupted()) return stopped();
  if (!result) return failure(localText("no panorama could be made from these photos"));
  if (result->unreadablePhoto) {
    const auto index = static_cast<std::size_t>(*result->unreadablePhoto);
    const Bitmap& photo = *(*bitmaps)[index];
    return failure(localText(
        "%s: cannot read the photo: %s",
        {options.photos[index], imaging::readFailureReason(photo.lastStatus(), photo.damage())}));
  }
  // From here on the photos are numbered by their places in the order found.
  if (!foundOrder.empty()) {
    const std::string order = photoNumbersText(foundOrder);
    const std::string told = result->panorama.pixels.empty()
                                 ? localText("not stitched in the order found: %s", {order})
                                 : localText("stitched in the order found: %s", {order});
    std::fprintf(stderr, "panorama-cli: %s\n", told.c_str());
  }
  if (result->refusal) {
    const std::string reason = refusalText(*result->refusal, options.photos);
    if (result->panorama.pixels.empty())
      return failure(localText(
          "%s Nothing was written (--stitch-anyway stitches them all the same).", {reason}));
    std::fprintf(stderr, "panorama-cli: %s\n",
                 localText("%s Stitched all the same.", {reason}).c_str());
  }
  if (result->closesFullCircle)
    std::fprintf(stderr, "panorama-cli: %s (--full360)\n",
                 std::string(engineText(EngineText::ClosesFullCircle)).c_str());

  ComposedPanorama& panorama = result->panorama;
  if (options.fieldOfViewDegrees) panorama.angle = *options.fieldOfViewDegrees / kDegreesPerRadian;
  const double degrees = panorama.angle * kDegreesPerRadian;
  const bool saved = savePanorama(panorama, options, *bitmaps->front(), progress, *output, error);
  progress.finish();
  if (InterruptGuard::interrupted()) return stopped();
  if (!saved) return failure(error);
  if (cameras) {
    const std::vector<CameraReport> reports =
        options.photos.size() == 1 ? singlePhotoCamera(options, photoWidth, panorama.angle)
                                   : reportCameras(result->cameras, options.photos, photoWidth);
    const std::vector<PairReport> pairs = reportPairs(result->pairs, options.photos.size());
    if (!cameras->write(camerasJson(reports, panorama.size, degrees, pairs)))
      return failure(cameras->failure());
  }
  if (InterruptGuard::interrupted()) return stopped();
  if (!output->commit(error)) return failure(error);
  if (cameras && !cameras->commit()) return failure(cameras->failure());
  options.reporting.result(localText("%s: %d x %d pixels, horizontal field of view %.2f degrees"),
                           options.output.c_str(), panorama.size.width, panorama.size.height,
                           degrees);
  if (!options.publish.any()) return 0;
  std::fflush(stdout);
  packPanorama(panorama);
  return publishPanorama({panorama.pixels.data(), panorama.size, panorama.angle},
                         {options.outputSize.value_or(panorama.size), options.quality},
                         options.publish, options.photos, options.reporting);
}

}  // namespace

int runStitchCommand(std::span<const std::string_view> args) {
  const CommandLine line = parseCommandLine(args, kOptions);
  if (line.help && !line.error) {
    printUsage(stdout);
    return 0;
  }
  StitchOptions options;
  if (const auto error = parseOptions(line, options)) return usageError(*error);
  shell::returnLargeBuffersWhenFreed();
  try {
    return stitch(options);
  } catch (const std::bad_alloc&) {
    return failure(localText("not enough memory to stitch these photos"));
  }
}

}  // namespace skylacer::cli
