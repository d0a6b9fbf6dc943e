// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/stitch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <future>
#include <string>
#include <utility>

#include "engine/align.h"
#include "engine/exif_focal.h"
#include "engine/features.h"
#include "engine/optional_progress.h"
#include "engine/pair_estimate.h"
#include "engine/parallel.h"
#include "engine/series_order.h"
#include "platform/imaging/bitmap.h"

namespace skylacer {

namespace {

constexpr std::int64_t kWorkingPlanePixels = std::int64_t{1} << 20;
constexpr double kLoadingEnd = 0.3;
constexpr double kAligningEnd = 0.7;

StitchResult singlePhotograph(imaging::Bitmap& photo) {
  StitchResult result;
  const ImageSize size{photo.width(), photo.height()};
  result.panorama.pixels = imageToRgb(photo, size, true);
  result.panorama.size = size;
  result.panorama.crop = {0, 0, size.width, size.height};
  return result;
}

// The reduced luminance planes of every photograph and, unless the alignment seeds its pairs by
// the coarse search alone, their features (found on the colours' luminance).
struct LoadedPlanes {
  std::vector<LumaImage> planes;
  std::vector<FeatureSet> features;
};

// Nothing when stopped.
std::optional<LoadedPlanes> loadPlanes(std::span<imaging::Bitmap* const> photos, ImageSize size,
                                       bool withFeatures, IProgress* progress) {
  LoadedPlanes loaded;
  loaded.planes.reserve(photos.size());
  // A photograph's features are found on a second core while the next one is decoded.
  std::future<FeatureSet> detecting;
  for (std::size_t i = 0; i < photos.size(); ++i) {
    if (reportStop(progress, static_cast<double>(i) / static_cast<double>(photos.size()))) {
      if (detecting.valid()) detecting.wait();
      return std::nullopt;
    }
    const RgbImage colours = imageToRgb(*photos[i], size, false);
    loaded.planes.push_back(makeLuma(colours, size));
    if (!withFeatures) continue;
    if (detecting.valid()) loaded.features.push_back(detecting.get());
    detecting = startBeside([grey = greyFromRgb(colours, size), size]() mutable {
      return detectFeatures(std::move(grey), size);
    });
  }
  if (detecting.valid()) loaded.features.push_back(detecting.get());
  return loaded;
}

// The turn to the right of each pair 1..pairs (index 0 unused) of records in absolute form.
std::vector<double> pairTurns(std::span<const CameraRecord> records, std::size_t pairs) {
  std::vector<double> turns(pairs + 1, 0.0);
  for (std::size_t i = 1; i <= pairs; ++i)
    turns[i] = turnToTheRight(transposed(records[i - 1].rotation) * records[i].rotation);
  return turns;
}

}  // namespace

ImageSize workingSize(ImageSize photoSize) {
  const std::int64_t pixels = std::int64_t{photoSize.width} * photoSize.height;
  std::int32_t s = 1;
  while (std::int64_t{s} * s * kWorkingPlanePixels < pixels) s *= 2;
  return {photoSize.width / s, photoSize.height / s};
}

namespace {

// stitchPanorama for photographs that decode whole; one that does not raises PhotoUnreadable.
std::optional<StitchResult> stitchReadablePhotos(std::span<imaging::Bitmap* const> photos,
                                                 StitchParams& params, IProgress* progress,
                                                 TraceSink& trace, AlignmentCheck check,
                                                 int workers) {
  if (photos.empty()) return std::nullopt;
  const ImageSize photoSize{photos[0]->width(), photos[0]->height()};
  if (photoSize.width <= 0 || photoSize.height <= 0) return std::nullopt;
  if (photos.size() == 1) return singlePhotograph(*photos[0]);

  const bool verified = params.autoFocal != kAutoFocalSearchOnly;
  if (verified) {
    // Photographs of another size would be squeezed into photograph 0's.
    for (std::size_t i = 1; i < photos.size(); ++i) {
      const ImageSize size{photos[i]->width(), photos[i]->height()};
      if (size == photoSize) continue;
      AlignmentRefusal refusal;
      refusal.problem = AlignmentProblem::DifferentSize;
      refusal.firstPhoto = static_cast<int>(i);
      refusal.size = size;
      refusal.expectedSize = photoSize;
      StitchResult refused;
      refused.refusal = refusal;
      return refused;
    }
  }

  const ImageSize size = workingSize(photoSize);
  pushRange(progress, 0, kLoadingEnd);
  const bool stopped =
      reportStop(progress, 0, std::string(engineText(EngineText::LoadingImages)).c_str());
  std::optional<LoadedPlanes> planes;
  if (!stopped) planes = loadPlanes(photos, size, verified, progress);
  popRange(progress);
  if (!planes) return std::nullopt;

  pushRange(progress, kLoadingEnd, kAligningEnd);
  std::vector<CameraRecord> records(photos.size() + 1);
  // The photographs' own focal length, where their EXIF data give one, is a better start than
  // the lens slider's guess; a focal length the profile holds, and the coarse search alone, keep
  // the slider's.
  const double seed = verified && params.autoFocal != 0 ? exifFocal(photos).value_or(0) : 0;
  records[0].focal = records[1].focal = seed > 0 ? seed : initialFocalLength(params);
  StitchResult result;
  alignAll(planes->planes, size, records, params, progress, trace, &result.pairs, planes->features,
           seed, check);
  const std::vector<FeatureSet> features = std::move(planes->features);
  planes.reset();
  popRange(progress);
  if (reportStop(progress, kAligningEnd)) return std::nullopt;
  if (!result.pairs.empty()) {
    const std::vector<double> turns = pairTurns(records, result.pairs.size() - 1);
    const double photoAngle = 2 * std::atan(1 / records[0].focal);
    result.refusal = verifyAlignment(result.pairs, turns, photoAngle, params.full360 != 0,
                                     params.autoFocal == 0);
    // Neighbours that do not match may be photographs out of place: every two are matched to
    // find the order they were taken in (not when the series is to be stitched all the same).
    if (result.refusal && check == AlignmentCheck::Refuse && params.full360 == 0 &&
        (result.refusal->problem == AlignmentProblem::TooLittleDetail ||
         result.refusal->problem == AlignmentProblem::WrongOrder)) {
      pushRange(progress, kAligningEnd, kAligningEnd);
      const std::optional<std::vector<int>> order = orderFromMatches(features, progress);
      popRange(progress);
      if (reportStop(progress, kAligningEnd)) return std::nullopt;
      if (order && !std::is_sorted(order->begin(), order->end())) {
        result.refusal = AlignmentRefusal{};
        result.refusal->problem = AlignmentProblem::WrongOrder;
        result.refusal->order = *order;
      }
    }
    result.closesFullCircle = params.full360 == 0 && closesFullCircle(turns, photoAngle);
    if (result.refusal && check == AlignmentCheck::Refuse) {
      records.resize(photos.size());
      result.cameras = std::move(records);
      return result;
    }
  }

  pushRange(progress, kAligningEnd, 1.0);
  std::optional<ComposedPanorama> composed =
      composePanorama(photos, records, params, progress, workers);
  popRange(progress);
  if (!composed) return std::nullopt;
  records.resize(photos.size());
  result.panorama = std::move(*composed);
  result.cameras = std::move(records);
  return result;
}

}  // namespace

std::optional<StitchResult> stitchPanorama(std::span<imaging::Bitmap* const> photos,
                                           StitchParams& params, IProgress* progress,
                                           TraceSink& trace, AlignmentCheck check, int workers) {
  // The depth of the progress ranges, to close again those a stopped run left open.
  int depth = 0;
  if (progress != nullptr) {
    depth = progress->PushRange(0, 1);
    progress->PopRange();
  }
  try {
    return stitchReadablePhotos(photos, params, progress, trace, check, workers);
  } catch (const PhotoUnreadable& unreadable) {
    if (progress != nullptr)
      for (int open = progress->PushRange(0, 1); open >= depth; --open) progress->PopRange();
    StitchResult stopped;
    const auto photo = std::find(photos.begin(), photos.end(), &unreadable.photo());
    stopped.unreadablePhoto = static_cast<int>(photo - photos.begin());
    return stopped;
  }
}

}  // namespace skylacer
