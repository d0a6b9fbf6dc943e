// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/stitch_command.h"

#include <QString>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/movie_text.h"
#include "engine/memory_estimate.h"
#include "engine/messages.h"
#include "engine/stitch.h"
#include "engine/trace.h"
#include "output/image.h"
#include "output/messages.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/failure_reason.h"
#include "platform/shell/machine_processors.h"
#include "platform/shell/memory_limit.h"
#include "resources/app_texts.h"

namespace skylacer::app {

namespace {

using imaging::Bitmap;
using imaging::ImagingStatus;

constexpr int kSliceQuality = 75;

void finish(CommandContext& context) {
  context.progress.Report(1);
  context.movie.callLabel("/", "HideProgress");
}

// Names a photo that cannot be read, with the imaging status and why.
void reportUnreadablePhoto(CommandContext& context, const std::string& path, const Bitmap& photo) {
  const QString text = texts::translated(texts::kPhotoUnreadable)
                           .arg(QString::fromStdString(path))
                           .arg(static_cast<int>(photo.lastStatus()))
                           .arg(QString::fromStdString(
                               imaging::readFailureReason(photo.lastStatus(), photo.damage())));
  context.services.messages().ask(text.toStdString(), tuning::MessageKind::Error);
}

struct LoadedPhotos {
  std::vector<std::unique_ptr<Bitmap>> bitmaps;
  bool complete = false;
};

// Decodes the headers and records the rotations; names the first photo that cannot be used.
LoadedPhotos loadPhotos(CommandContext& context, const std::vector<std::string>& paths,
                        const std::vector<int>& codes) {
  LoadedPhotos loaded;
  loaded.bitmaps.reserve(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::unique_ptr<Bitmap> bitmap = Bitmap::fromFile(paths[i]);
    if (bitmap->lastStatus() == ImagingStatus::Ok) bitmap->rotateFlip(codes[i]);
    if (bitmap->lastStatus() != ImagingStatus::Ok) {
      reportUnreadablePhoto(context, paths[i], *bitmap);
      return loaded;
    }
    loaded.bitmaps.push_back(std::move(bitmap));
  }
  loaded.complete = true;
  return loaded;
}

// Photos whose headers claim more than the memory limit are refused before any is decoded: a
// small file can claim a picture far larger than the machine's memory.
bool refuseOversizedPhotos(CommandContext& context,
                           const std::vector<std::unique_ptr<Bitmap>>& bitmaps) {
  std::vector<ImageSize> sizes;
  sizes.reserve(bitmaps.size());
  for (const auto& bitmap : bitmaps) sizes.push_back({bitmap->width(), bitmap->height()});
  const std::uint64_t limit = shell::memoryLimit(
      context.settings.readInt(shell::kMemoryLimitSection, shell::kMemoryLimitEntry, 0));
  const std::optional<std::string> refusal = shell::memoryRefusal(
      "the photos", estimateStitchBytes(sizes), limit, texts::kMemoryLimitHint);
  if (refusal) context.services.messages().ask(*refusal, tuning::MessageKind::Error);
  return refusal.has_value();
}

void handSlicesToMovie(CommandContext& context) {
  const WorkingState& state = context.state;
  const SliceLayout layout = sliceLayout(state.panoramaSize);
  const std::string prefix = (context.sliceFolder / "qlt").string();
  const output::SliceNames names{prefix, ".jpg"};
  const ImagingStatus status = output::writeSlices(
      names, state.panorama.data(), state.panoramaSize, state.panoramaSize.width * 3,
      ImageSize{layout.display.width, layout.display.height}, kSliceWidth, kSliceQuality);
  if (status != ImagingStatus::Ok) {
    context.services.messages().ask(output::imageSaveFailedText(status),
                                    tuning::MessageKind::Error);
    return;
  }
  for (int k = 0; k < layout.count; ++k)
    context.movie.setVariable("ImageThumbnail" + std::to_string(k), names.pathOf(k + 1));
  context.movie.setVariable("NumImagesToAdd", movieNumberText(layout.count));
  context.movie.setVariable("ImagesHeight", movieNumberText(layout.display.height));
  context.movie.setVariable("ImagesWidth", movieNumberText(layout.display.width));
  context.movie.callLabel("/", "GetResult");
}

}  // namespace

SliceLayout sliceLayout(ImageSize panorama) {
  SliceLayout layout;
  layout.display = {panorama.width, panorama.height};
  if (panorama.height > kSliceWidth) {
    layout.display.height = kSliceWidth;
    layout.display.width =
        static_cast<std::int32_t>(std::int64_t{panorama.width} * kSliceWidth / panorama.height);
  }
  layout.count =
      layout.display.width <= 0 ? 0 : (layout.display.width + kSliceWidth - 1) / kSliceWidth;
  return layout;
}

namespace {

// Asks the movie to put its photo list in `order` (0-based indices into the list, left to
// right), as the user would by moving them: the movie republishes the list and reports the
// project changed.
void putListInOrder(CommandContext& context, std::span<const int> order) {
  for (std::size_t place = 0; place < order.size(); ++place)
    context.movie.setVariable("PhotoOrder" + std::to_string(place), movieNumberText(order[place]));
  context.movie.callLabel("/", "OrderPhotos");
  context.state.changed = true;
}

// Stitches the photos the movie lists into the working state. Answers true when the user had
// the list put in the order the alignment found, to be stitched again.
bool stitchListedPhotos(CommandContext& context, int count, int singlePhotoDegrees) {
  WorkingState& state = context.state;
  CShockwaveFlash& movie = context.movie;
  std::vector<std::string> paths;
  std::vector<int> codes;
  paths.reserve(static_cast<std::size_t>(count));
  codes.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::string index = std::to_string(i);
    paths.push_back(movie.getVariable("alignpath" + index));
    codes.push_back(movieNumber(movie.getVariable("alignang" + index)));
  }
  state.photoList = paths;

  LoadedPhotos loaded = loadPhotos(context, paths, codes);
  if (!loaded.complete || refuseOversizedPhotos(context, loaded.bitmaps)) return false;

  StitchParams& params = state.profiles.at(context.profileIndex).record;
  params.full360 = movie.getVariable("full360") == "true" ? 1 : 0;

  std::vector<Bitmap*> photos;
  photos.reserve(loaded.bitmaps.size());
  for (const auto& bitmap : loaded.bitmaps) photos.push_back(bitmap.get());
  bool reordered = false;
  try {
    StdoutTrace trace;
    StitchParams runParams = params;
    const int workers = shell::usableProcessors();
    std::optional<StitchResult> result = stitchPanorama(photos, runParams, &context.progress, trace,
                                                        AlignmentCheck::Refuse, workers);
    // A series the alignment is not sure of is shown with the reason; the user may have it
    // stitched all the same (photos of different sizes cannot be) or, where the alignment found
    // the photos out of order, put in the order found and stitched again.
    if (result && result->refusal && result->panorama.pixels.empty()) {
      const AlignmentRefusal& refusal = *result->refusal;
      const bool sizes = refusal.problem == AlignmentProblem::DifferentSize;
      const bool orderFound =
          refusal.problem == AlignmentProblem::WrongOrder && !refusal.order.empty();
      const tuning::MessageAnswer answer = context.services.messages().ask(
          refusalText(refusal, paths), sizes        ? tuning::MessageKind::Notice
                                       : orderFound ? tuning::MessageKind::StitchInFoundOrder
                                                    : tuning::MessageKind::StitchAnyway);
      if (orderFound && answer == tuning::MessageAnswer::No) {
        putListInOrder(context, refusal.order);
        reordered = true;
      }
      result.reset();
      if (!sizes && answer == tuning::MessageAnswer::Yes) {
        runParams = params;
        result = stitchPanorama(photos, runParams, &context.progress, trace,
                                AlignmentCheck::StitchAnyway, workers);
      }
    }
    // A photo that turns out unreadable, also in a series stitched all the same, is named and
    // no panorama is kept.
    if (result && result->unreadablePhoto) {
      const auto index = static_cast<std::size_t>(*result->unreadablePhoto);
      reportUnreadablePhoto(context, paths[index], *photos[index]);
      result.reset();
    }
    if (result && result->closesFullCircle)
      context.services.messages().ask(engineText(EngineText::ClosesFullCircle),
                                      tuning::MessageKind::Notice);
    if (result) {
      packPanorama(result->panorama);
      state.panorama = std::move(result->panorama.pixels);
      state.panoramaSize = result->panorama.size;
      state.fieldOfView =
          count == 1 ? singlePhotoDegrees * output::kProgramPi / 180 : result->panorama.angle;
      state.photoMetadata = photos.front()->metadata();
    }
  } catch (const std::bad_alloc&) {
    state.discardStitch();
    state.photoList = paths;
    context.services.messages().ask(texts::translatedUtf8(texts::kNotEnoughMemory),
                                    tuning::MessageKind::Notice);
  }
  return reordered;
}

}  // namespace

void runStitchCommand(CommandContext& context) {
  context.progress.clearCancel();
  context.state.discardStitch();
  const int count = std::max(0, movieNumber(context.movie.getVariable("NumImagesToAlign")));
  context.progress.Report(0, texts::translatedUtf8(texts::kInitializing).c_str());

  int singlePhotoDegrees = 0;
  if (count == 0) {
    context.services.messages().ask(texts::translatedUtf8(texts::kNoPhotos),
                                    tuning::MessageKind::Notice);
    return finish(context);
  }
  if (count == 1) {
    if (context.services.messages().ask(texts::translatedUtf8(texts::kOnePhoto),
                                        tuning::MessageKind::YesNoDefaultNo) !=
        tuning::MessageAnswer::Yes)
      return finish(context);
    singlePhotoDegrees = context.services.askFieldOfView();
  }

  // Again each time the user has the list put in the order the alignment found.
  while (stitchListedPhotos(context, count, singlePhotoDegrees)) continue;
  if (context.state.hasPanorama()) handSlicesToMovie(context);
  finish(context);
}

}  // namespace skylacer::app
