// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/image.h"

#include <algorithm>

#include "engine/optional_progress.h"
#include "output/banded_scaling.h"
#include "output/file_replacement.h"
#include "output/messages.h"
#include "output/quicktime_movie.h"

namespace skylacer::output {

using imaging::Bitmap;
using imaging::ImagingStatus;

namespace {

// The bitmaps wrap the caller's pixels only to read them: they are never drawn into or locked
// with a rotation, which is what would make the imaging layer write to them.
std::unique_ptr<Bitmap> wrapPixels(const std::uint8_t* pixels, int width, int height, int stride) {
  return Bitmap::overPixels(const_cast<std::uint8_t*>(pixels), width, height, stride);
}

}  // namespace

ImagingStatus encodeJpeg(const std::uint8_t* pixels, ImageSize size, int stride,
                         ImageSize outputSize, int quality, std::vector<std::uint8_t>& bytes,
                         const imaging::PhotoMetadata* metadata, IProgress* progress, int workers) {
  const int rowBytes = stride != 0 ? stride : size.width * 3;
  const auto source = wrapPixels(pixels, size.width, size.height, rowBytes);
  if (source->lastStatus() != ImagingStatus::Ok) return source->lastStatus();
  if (metadata != nullptr) source->setMetadata(*metadata);
  if (outputSize == size)
    return encodeJpegInBands({pixels, rowBytes, size.width, size.height}, source->metadata(),
                             quality, progress, bytes, workers);
  return encodeScaledJpeg(*source, outputSize, quality, progress, bytes, workers);
}

ImagingStatus writeJpeg(const std::string& path, const std::uint8_t* pixels, ImageSize size,
                        int stride, ImageSize outputSize, int quality, std::string* failure,
                        const imaging::PhotoMetadata* metadata, IProgress* progress, int workers) {
  const auto refuse = [&](ImagingStatus status, std::string text) {
    if (failure != nullptr) *failure = std::move(text);
    return status;
  };
  // Opened first: a missing folder is found before the picture is scaled and encoded.
  std::string opening;
  const auto file = FileReplacement::create(path, FileKind::Document, &opening);
  if (!file) return refuse(ImagingStatus::Win32Error, std::move(opening));
  std::vector<std::uint8_t> bytes;
  const ImagingStatus encoded =
      encodeJpeg(pixels, size, stride, outputSize, quality, bytes, metadata, progress, workers);
  if (encoded == ImagingStatus::Aborted) return encoded;  // a stop asked for needs no reason
  if (encoded != ImagingStatus::Ok)
    return refuse(encoded, cannotWriteText(path, imagingReasonText(encoded)));
  if (!file->write(bytes) || !file->commit())
    return refuse(ImagingStatus::Win32Error, file->failure());
  return ImagingStatus::Ok;
}

ImagingStatus writeSlices(const SliceNames& names, const std::uint8_t* pixels, ImageSize size,
                          int stride, ImageSize outputSize, int partWidth, int quality,
                          std::string* failure, IProgress* progress) {
  if (outputSize.width < 1 || partWidth < 1 || size.width < 1)
    return ImagingStatus::InvalidParameter;
  const int rowBytes = stride != 0 ? stride : size.width * 3;
  const float scale = static_cast<float>(size.width) / static_cast<float>(outputSize.width);
  const int sourceStep = static_cast<int>(static_cast<float>(partWidth) * scale);
  ImagingStatus firstFailure = ImagingStatus::Ok;
  std::int64_t sourceColumn = 0;
  for (int part = 1, offset = 0; offset < outputSize.width; ++part) {
    const int width = std::min(partWidth, outputSize.width - offset);
    // The single-precision scale can reach a column or two past the source's last one; the
    // part then reads the source's last columns instead of past the buffer.
    const int column = static_cast<int>(std::min<std::int64_t>(sourceColumn, size.width - 1));
    const int sourceWidth =
        std::clamp(static_cast<int>(static_cast<float>(width) * scale), 1, size.width - column);
    std::string partFailure;
    const ImagingStatus saved = writeJpeg(
        names.pathOf(part), pixels + std::int64_t{column} * 3, ImageSize{sourceWidth, size.height},
        rowBytes, ImageSize{width, outputSize.height}, quality, &partFailure);
    if (saved != ImagingStatus::Ok && firstFailure == ImagingStatus::Ok) {
      firstFailure = saved;
      if (failure != nullptr) *failure = std::move(partFailure);
    }
    sourceColumn += sourceStep;
    offset += width;
    if (reportStop(progress, static_cast<double>(offset) / outputSize.width))
      return ImagingStatus::Aborted;
  }
  return firstFailure;
}

bool savePanorama(const PanoramaView& panorama, const std::string& path, int filterIndex,
                  const OutputOptions& options, IProgress& progress, UserPrompt& prompt,
                  int workers) {
  progress.Report(0, kSaving);
  if (filterIndex == kQuickTimeFilterIndex) {
    progress.Report(0.1, kSavingToQuickTime);
    if (!writeQuickTimeMovie(panorama, path, options.size, kSavedMovieViewSize, progress, prompt))
      return false;
  } else {
    progress.Report(0.1, kConvertingToJpeg);
    progress.PushRange(0.1, 0.95);
    std::string failure;
    const ImagingStatus status =
        writeJpeg(path, panorama.pixels, panorama.size, 0, options.size, options.quality, &failure,
                  panorama.metadata, &progress, workers);
    progress.Report(1, kConvertingToJpeg);
    progress.PopRange();
    if (status == ImagingStatus::Aborted) return false;  // the user's own stop needs no message
    if (status != ImagingStatus::Ok) {
      prompt.showMessage(withDetail(imageSaveFailedText(status), failure), MessageIcon::Plain);
      return false;
    }
  }
  progress.Report(1, kOpeningResult);
  return true;
}

}  // namespace skylacer::output
