#include "engine/stitch.h"

#include <cstdint>
#include <string>

#include "engine/align.h"
#include "engine/optional_progress.h"
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

// The reduced luminance planes of every photograph; nothing when stopped.
std::optional<std::vector<LumaImage>> loadPlanes(std::span<imaging::Bitmap* const> photos,
                                                 ImageSize size, IProgress* progress) {
  std::vector<LumaImage> planes;
  planes.reserve(photos.size());
  for (std::size_t i = 0; i < photos.size(); ++i) {
    if (reportStop(progress, static_cast<double>(i) / static_cast<double>(photos.size())))
      return std::nullopt;
    planes.push_back(makeLuma(imageToRgb(*photos[i], size, false), size));
  }
  return planes;
}

}  // namespace

ImageSize workingSize(ImageSize photoSize) {
  const std::int64_t pixels = std::int64_t{photoSize.width} * photoSize.height;
  std::int32_t s = 1;
  while (std::int64_t{s} * s * kWorkingPlanePixels < pixels) s *= 2;
  return {photoSize.width / s, photoSize.height / s};
}

std::optional<StitchResult> stitchPanorama(std::span<imaging::Bitmap* const> photos,
                                           StitchParams& params, IProgress* progress,
                                           TraceSink& trace) {
  if (photos.empty()) return std::nullopt;
  const ImageSize photoSize{photos[0]->width(), photos[0]->height()};
  if (photoSize.width <= 0 || photoSize.height <= 0) return std::nullopt;
  if (photos.size() == 1) return singlePhotograph(*photos[0]);

  const ImageSize size = workingSize(photoSize);
  pushRange(progress, 0, kLoadingEnd);
  const bool stopped =
      reportStop(progress, 0, std::string(engineText(EngineText::LoadingImages)).c_str());
  std::optional<std::vector<LumaImage>> planes;
  if (!stopped) planes = loadPlanes(photos, size, progress);
  popRange(progress);
  if (!planes) return std::nullopt;

  pushRange(progress, kLoadingEnd, kAligningEnd);
  std::vector<CameraRecord> records(photos.size() + 1);
  records[0].focal = records[1].focal = initialFocalLength(params);
  alignAll(*planes, size, records, params, progress, trace);
  planes.reset();
  popRange(progress);
  if (reportStop(progress, kAligningEnd)) return std::nullopt;

  pushRange(progress, kAligningEnd, 1.0);
  std::optional<ComposedPanorama> composed = composePanorama(photos, records, params, progress);
  popRange(progress);
  if (!composed) return std::nullopt;
  records.resize(photos.size());
  return StitchResult{std::move(*composed), std::move(records)};
}

}  // namespace skylacer
