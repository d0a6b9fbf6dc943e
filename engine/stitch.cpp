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
#include "engine/working_planes.h"
#include "platform/imaging/bitmap.h"

namespace skylacer {

namespace {

constexpr std::int64_t kWorkingPlanePixels = std::int64_t{1} << 20;
constexpr double kLoadingEnd = 0.3;
constexpr double kAligningEnd = 0.7;

StitchResult singlePhotograph(imaging::Bitmap& photo) {
  StitchResult result;
  result.panorama = singlePhotoPanorama(photo);
  return result;
}

// The working planes of photographs, made again from the photographs whenever the alignment asks
// for one: the feature-matching profiles align few pairs from their pixels, so a long series
// need not keep every plane for them.
class PhotoPlanes final : public WorkingPlanes {
 public:
  PhotoPlanes(std::span<imaging::Bitmap* const> photos, ImageSize size)
      : photos_(photos), size_(size) {}
  std::size_t count() const override { return photos_.size(); }
  LumaImage plane(std::size_t photo) const override {
    return makeLuma(imageToRgb(*photos_[photo], size_, false), size_);
  }

 private:
  std::span<imaging::Bitmap* const> photos_;
  ImageSize size_;
};

// How the loading phase estimates each pair of neighbours from their features (see
// estimateSeriesPair).
struct PairMatching {
  double fixedFocal = 0;  // the focal length the profile holds, 0 when free
  double seedFocal = 0;   // the photographs' own, 0 for none
  bool fullCircle = false;
};

// What the loading phase keeps. With pair matching: each pair's estimate, made as soon as both
// photographs' features are found, so that no more than two photographs' features are held at a
// time (and photograph 0's for a full circle's closing pair); and, for the order search of a
// short open series, every photograph's points and descriptors. Otherwise every photograph's
// working plane.
struct LoadedPlanes {
  StoredPlanes planes;
  std::vector<std::optional<PairEstimate>> estimates;
  std::vector<FeatureSet> features;
};

// Nothing when stopped.
std::optional<LoadedPlanes> loadPlanes(std::span<imaging::Bitmap* const> photos, ImageSize size,
                                       const std::optional<PairMatching>& matching,
                                       IProgress* progress) {
  const std::size_t n = photos.size();
  LoadedPlanes loaded;
  FeatureSet previous;
  FeatureSet first;
  const bool forOrderSearch = matching && !matching->fullCircle && n <= kMostPhotosToOrder;
  // Takes photograph k's features: pair k is estimated from them and photograph k - 1's.
  auto take = [&](std::size_t k, FeatureSet features) {
    if (k > 0)
      loaded.estimates[k] = estimateSeriesPair(previous, features, static_cast<int>(k),
                                               matching->fixedFocal, matching->seedFocal);
    if (k == 0 && matching->fullCircle) first = features;
    if (forOrderSearch) {
      FeatureSet described;
      described.points = features.points;
      described.descriptors = features.descriptors;
      loaded.features.push_back(std::move(described));
    }
    previous = std::move(features);
  };
  if (matching) loaded.estimates.resize(matching->fullCircle ? n + 1 : n);
  // A photograph's features are found on a second core while the next one is decoded.
  std::future<FeatureSet> detecting;
  for (std::size_t i = 0; i < n; ++i) {
    if (reportStop(progress, static_cast<double>(i) / static_cast<double>(n))) {
      if (detecting.valid()) detecting.wait();
      return std::nullopt;
    }
    const RgbImage colours = imageToRgb(*photos[i], size, false);
    if (!matching) {
      loaded.planes.add(colours, size);
      continue;
    }
    if (detecting.valid()) take(i - 1, detecting.get());
    detecting = startBeside([grey = greyFromRgb(colours, size), size]() mutable {
      return detectFeatures(std::move(grey), size);
    });
  }
  if (!matching) return loaded;
  // The last pairs are matched after the last photograph is read, each after a stop check.
  if (reportStop(progress, 1)) {
    detecting.wait();
    return std::nullopt;
  }
  take(n - 1, detecting.get());
  if (matching->fullCircle) {
    if (reportStop(progress, 1)) return std::nullopt;
    loaded.estimates[n] = estimateSeriesPair(previous, first, static_cast<int>(n),
                                             matching->fixedFocal, matching->seedFocal);
  }
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

  std::vector<CameraRecord> records(photos.size() + 1);
  // The photographs' own focal length, where their EXIF data give one, is a better start than
  // the lens slider's guess; a focal length the profile holds, and the coarse search alone, keep
  // the slider's.
  const double seed = verified && params.autoFocal != 0 ? exifFocal(photos).value_or(0) : 0;
  records[0].focal = records[1].focal = seed > 0 ? seed : initialFocalLength(params);
  std::optional<PairMatching> matching;
  if (verified)
    matching =
        PairMatching{params.autoFocal == 0 ? records[1].focal : 0, seed, params.full360 != 0};

  const ImageSize size = workingSize(photoSize);
  pushRange(progress, 0, kLoadingEnd);
  const bool stopped =
      reportStop(progress, 0, std::string(engineText(EngineText::LoadingImages)).c_str());
  std::optional<LoadedPlanes> planes;
  if (!stopped) planes = loadPlanes(photos, size, matching, progress);
  popRange(progress);
  if (!planes) return std::nullopt;

  pushRange(progress, kLoadingEnd, kAligningEnd);
  StitchResult result;
  const PhotoPlanes photoPlanes(photos, size);
  const WorkingPlanes& working =
      verified ? static_cast<const WorkingPlanes&>(photoPlanes) : planes->planes;
  alignAll(working, size, records, params, progress, trace, &result.pairs, planes->features, seed,
           check, planes->estimates);
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
      const std::optional<std::vector<int>> order = orderFromMatches(planes->features, progress);
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

  // What the alignment kept goes before the panorama comes.
  planes.reset();
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
