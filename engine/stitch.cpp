// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/stitch.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "engine/align.h"
#include "engine/decoded_photos.h"
#include "engine/exif_focal.h"
#include "engine/features.h"
#include "engine/opencv_buffers.h"
#include "engine/optional_progress.h"
#include "engine/pair_estimate.h"
#include "engine/parallel.h"
#include "engine/series_order.h"
#include "engine/working_planes.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/scaling.h"

namespace skylacer {

namespace {

constexpr std::int64_t kWorkingPlanePixels = std::int64_t{1} << 20;
constexpr double kLoadingEnd = 0.3;
constexpr double kAligningEnd = 0.7;
// The part of the memory bound's 64 MiB margin that photographs decoded while the series loads
// may take; the rest is left to the features, working planes and decoder buffers of the loading.
constexpr std::uint64_t kLendingReserve = std::uint64_t{16} << 20;

StitchResult singlePhotograph(imaging::Bitmap& photo) {
  StitchResult result;
  result.panorama = singlePhotoPanorama(photo);
  return result;
}

// The working copy of photograph pixels decoded at `photoSize`: the pixels themselves when the
// working size is the photograph's.
class WorkingColours {
 public:
  WorkingColours(std::span<const std::uint8_t> photo, ImageSize photoSize, ImageSize size) {
    if (size == photoSize) {
      view_ = photo;
      return;
    }
    reduced_ = workingColours(photo, photoSize, size);
    view_ = reduced_;
  }
  explicit WorkingColours(UnfilledRgbImage reduced)
      : reduced_(std::move(reduced)), view_(reduced_) {}
  std::span<const std::uint8_t> pixels() const { return view_; }

 private:
  UnfilledRgbImage reduced_;
  std::span<const std::uint8_t> view_;
};

// The working planes of photographs, made again from the photographs whenever the alignment asks
// for one: the feature-matching profiles align few pairs from their pixels, so a long series
// need not keep every plane for them. A photograph the loading kept is not decoded again.
class PhotoPlanes final : public WorkingPlanes {
 public:
  PhotoPlanes(std::span<imaging::Bitmap* const> photos, const DecodedPhotos& decoded,
              ImageSize photoSize, ImageSize size)
      : photos_(photos), decoded_(decoded), photoSize_(photoSize), size_(size) {}
  std::size_t count() const override { return photos_.size(); }
  LumaImage plane(std::size_t photo) const override {
    if (decoded_.holds(photo))
      return makeLuma(WorkingColours(decoded_.pixels(photo), photoSize_, size_).pixels(), size_);
    if (std::optional<UnfilledRgbImage> reduced =
            workingColoursFromRows(*photos_[photo], photoSize_, size_, nullptr))
      return makeLuma(*reduced, size_);
    UnfilledRgbImage decodedAgain = makeUnfilledRgbImage(photoSize_);
    readPhotoPixels(*photos_[photo], decodedAgain.data(), photoSize_);
    return makeLuma(WorkingColours(decodedAgain, photoSize_, size_).pixels(), size_);
  }

 private:
  std::span<imaging::Bitmap* const> photos_;
  const DecodedPhotos& decoded_;
  ImageSize photoSize_;
  ImageSize size_;
};

// The panorama columns a pair's estimate adds, in photograph widths: its turn at the pair's focal
// length, taken at most a photograph wide and with a margin, since the series solve may still
// shorten it. A small turn leaves the pair's focal length loose, so this may still exceed the
// truth: the composition lets go of the kept photographs the panorama turns out not to leave
// room for.
double estimatedWidths(const PairEstimate& estimate) {
  constexpr double kSolveMargin = 0.9;
  const double photoAngle = 2 * std::atan(1 / estimate.focal);
  return kSolveMargin * std::clamp(turnToTheRight(estimate.rotation) / photoAngle, 0.0, 1.0);
}

// How the loading phase estimates each pair of neighbours from their features (see
// estimateSeriesPair).
struct PairMatching {
  double fixedFocal = 0;  // the focal length the profile holds, 0 when free
  double seedFocal = 0;   // the photographs' own, 0 for none
  bool fullCircle = false;
};

// What the loading phase keeps. With pair matching: each pair's estimate, made as soon as both
// photographs' features are found, so that only the features of photographs with a pair still
// to estimate are held (see PendingFeatures); and, for the order search of a short open series,
// every photograph's points and descriptors. Otherwise every photograph's working plane.
struct LoadedPlanes {
  StoredPlanes planes;
  std::vector<std::optional<PairEstimate>> estimates;
  std::vector<FeatureSet> features;
};

// The features of a series' photographs while a pair still needs them, shared by the threads
// that load the photographs. Pair k (1..pairs) joins photographs k - 1 and k % n: a full
// circle's closing pair n joins photograph n - 1 to photograph 0.
class PendingFeatures {
 public:
  PendingFeatures(std::size_t photos, bool fullCircle)
      : fullCircle_(fullCircle), features_(photos), pairsLeft_(photos) {
    for (std::size_t photo = 0; photo < photos; ++photo)
      pairsLeft_[photo] = static_cast<int>(pairsOf(photo).size());
  }
  std::size_t pairs() const { return fullCircle_ ? features_.size() : features_.size() - 1; }
  std::size_t left(std::size_t pair) const { return pair - 1; }
  std::size_t right(std::size_t pair) const { return pair % features_.size(); }

  // Takes photograph `photo`'s features and returns the pairs whose other photograph's features
  // came before: each pair is returned once, to the caller that brings its second photograph,
  // which estimates it and then calls done().
  std::vector<std::size_t> add(std::size_t photo, FeatureSet features) {
    const std::lock_guard lock(mutex_);
    features_[photo] = std::move(features);
    std::vector<std::size_t> complete;
    for (const std::size_t pair : pairsOf(photo))
      if (features_[left(pair)] && features_[right(pair)]) complete.push_back(pair);
    return complete;
  }
  // Photograph `photo`'s features, held until every pair of it is done.
  const FeatureSet& of(std::size_t photo) const { return *features_[photo]; }
  // Drops the features that no pair still needs.
  void done(std::size_t pair) {
    const std::lock_guard lock(mutex_);
    for (const std::size_t photo : {left(pair), right(pair)})
      if (--pairsLeft_[photo] == 0) features_[photo].reset();
  }

 private:
  std::vector<std::size_t> pairsOf(std::size_t photo) const {
    const std::size_t n = features_.size();
    std::vector<std::size_t> pairs;
    if (photo >= 1) pairs.push_back(photo);
    if (photo + 1 < n) pairs.push_back(photo + 1);
    if (fullCircle_ && (photo == 0 || photo == n - 1)) pairs.push_back(n);
    return pairs;
  }

  bool fullCircle_;
  std::mutex mutex_;
  std::vector<std::optional<FeatureSet>> features_;
  std::vector<int> pairsLeft_;
};

// Feature matrices for the loading's threads: a thread borrows a set for each photograph and
// puts it back, so that no more sets are made than threads find features at once, and the
// sets go when the loading does.
class ScratchShelf {
 public:
  FeatureScratch take() {
    const std::lock_guard lock(mutex_);
    if (shelf_.empty()) return {};
    FeatureScratch scratch = std::move(shelf_.back());
    shelf_.pop_back();
    return scratch;
  }
  void put(FeatureScratch scratch) {
    const std::lock_guard lock(mutex_);
    shelf_.push_back(std::move(scratch));
  }

 private:
  std::mutex mutex_;
  std::vector<FeatureScratch> shelf_;
};

// Reads the photographs on up to `workers` threads, each photograph as a whole by the first
// thread free, in order: decoded at full size, offered to `decoded` to keep for the composition,
// and reduced to the working size. With pair matching the thread that reads a photograph also
// finds its features and estimates the pairs they complete, so that the cores decode, detect and
// match side by side; a thread waits only for a buffer to decode a photograph whole into, while
// the memory bound leaves room for no more full-size photographs than are decoded already. The
// working copy is the same whether made from the rows as they decode or from the whole
// photograph, so the result does not depend on the number of threads (which photographs are
// kept may, their pixels not); a photograph that cannot be read raises PhotoUnreadable for the
// first such photograph in the series, as reading them one by one would. Nothing when stopped.
std::optional<LoadedPlanes> loadPlanes(std::span<imaging::Bitmap* const> photos,
                                       ImageSize photoSize, ImageSize size,
                                       const std::optional<PairMatching>& matching,
                                       DecodedPhotos& decoded, IProgress* progress, int workers) {
  const std::size_t n = photos.size();
  LoadedPlanes loaded;
  std::optional<PendingFeatures> pending;
  const bool forOrderSearch = matching && !matching->fullCircle && n <= kMostPhotosToOrder;
  if (matching) {
    pending.emplace(n, matching->fullCircle);
    loaded.estimates.resize(pending->pairs() + 1);
    if (forOrderSearch) loaded.features.resize(n);
  } else {
    loaded.planes = StoredPlanes(n);
  }
  std::atomic<std::size_t> firstUnreadable{n};
  // Before the scratches, which give their buffers back when they go.
  const OpenCvBufferReuse reuse;
  ScratchShelf scratches;

  // A photograph whose working copy is made from its rows as they decode needs a full-size
  // buffer only to be kept, and is turned away rather than wait for one; any other is decoded
  // whole into a lent buffer first.
  const bool fromRows =
      imaging::BlockMeans::reduces(photoSize.width, photoSize.height, size.width, size.height);
  // Photograph `photo`'s working copy, its full-size pixels in `full` when it has a buffer.
  const auto workingCopy = [&](std::size_t photo, std::optional<DecodedPhotos::Lent>& full) {
    try {
      if (fromRows) {
        full = decoded.lendIfRoom(photo);
        if (std::optional<UnfilledRgbImage> reduced = workingColoursFromRows(
                *photos[photo], photoSize, size, full ? full->pixels().data() : nullptr))
          return WorkingColours(std::move(*reduced));
      }
      if (!full) full = decoded.lend();
      readPhotoPixels(*photos[photo], full->pixels().data(), photoSize);
      return WorkingColours(full->pixels(), photoSize, size);
    } catch (const PhotoUnreadable&) {
      std::size_t first = firstUnreadable;
      while (photo < first && !firstUnreadable.compare_exchange_weak(first, photo)) {
      }
      throw;
    }
  };
  auto load = [&](int band) {
    const auto photo = static_cast<std::size_t>(band);
    std::optional<DecodedPhotos::Lent> full;
    // Kept or not only once the pairs this photograph completes have widened the panorama.
    const auto offerToKeep = [&] {
      if (full) decoded.keep(photo, std::move(*full));
    };
    GreyImage grey;
    {
      const WorkingColours colours = workingCopy(photo, full);
      if (!matching) {
        loaded.planes.store(photo, colours.pixels(), size);
      } else {
        grey = greyFromRgb(colours.pixels(), size);
      }
    }
    if (!matching) {
      offerToKeep();
      return;
    }
    FeatureScratch scratch = scratches.take();
    FeatureSet features = detectFeatures(std::move(grey), size, scratch);
    scratches.put(std::move(scratch));
    if (forOrderSearch) {
      loaded.features[photo].points = features.points;
      loaded.features[photo].descriptors = features.descriptors;
    }
    // The last photograph is taken last: the other threads have ended their photographs or are
    // ending them, and share the matching and refinement of its pairs, which the series solve
    // waits for.
    const int pairWorkers = photo + 1 == n ? workers : 1;
    for (const std::size_t pair : pending->add(photo, std::move(features))) {
      loaded.estimates[pair] = estimateSeriesPair(
          pending->of(pending->left(pair)), pending->of(pending->right(pair)),
          static_cast<int>(pair), matching->fixedFocal, matching->seedFocal, pairWorkers);
      if (loaded.estimates[pair]) decoded.widen(estimatedWidths(*loaded.estimates[pair]));
      pending->done(pair);
    }
    offerToKeep();
  };
  auto stopBefore = [&](int band) {
    return reportStop(progress, static_cast<double>(band) / static_cast<double>(n));
  };

  bool finished = false;
  try {
    finished = runBands(workers, static_cast<int>(n), load, stopBefore);
  } catch (const PhotoUnreadable&) {
    // Photographs before the one that failed first in time were all taken and finished.
    throw PhotoUnreadable(*photos[firstUnreadable]);
  }
  if (!finished || reportStop(progress, 1)) return std::nullopt;
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
  DecodedPhotos decoded(photos.size(), photoSize, params.full360 != 0, kLendingReserve);
  std::optional<LoadedPlanes> planes;
  if (!stopped) planes = loadPlanes(photos, photoSize, size, matching, decoded, progress, workers);
  decoded.dropSpares();
  popRange(progress);
  if (!planes) return std::nullopt;

  pushRange(progress, kLoadingEnd, kAligningEnd);
  StitchResult result;
  const PhotoPlanes photoPlanes(photos, decoded, photoSize, size);
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
  returnFreedMemory();
  pushRange(progress, kAligningEnd, 1.0);
  std::optional<ComposedPanorama> composed =
      composePanorama(photos, records, params, progress, workers, &decoded);
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
