// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/quicktime_movie.h"

#include <cstdint>
#include <filesystem>
#include <optional>

#include "movwriter/save_as_qvr.h"
#include "output/banded_scaling.h"
#include "output/file_replacement.h"
#include "output/messages.h"
#include "platform/imaging/bitmap.h"
#include "platform/shell/machine_processors.h"
#include "platform/shell/scratch_files.h"
#include "platform/shell/temporary_files.h"

namespace skylacer::output {

using imaging::Bitmap;
using imaging::ImagingStatus;

namespace {

constexpr int kRotate270Clockwise = 3;

// The writer's percent callback: its value is the progress object.
int reportMoviePercent(int percent, intptr_t user) {
  return reportPercent(percent, reinterpret_cast<IProgress*>(user));
}

// A scratch file of the temporary folder, or none when it cannot be made.
shell::ScratchFile scratchFile(std::string_view prefix) {
  const std::optional<std::filesystem::path> file = shell::createTemporaryFile(prefix);
  return shell::ScratchFile(file.value_or(std::filesystem::path()));
}

void showImageFailure(ImagingStatus status, std::string_view detail, UserPrompt& prompt) {
  prompt.showMessage(status == ImagingStatus::OutOfMemory
                         ? std::string(kNotEnoughMemory)
                         : withDetail(imageSaveFailedText(status), detail),
                     MessageIcon::Plain);
}

}  // namespace

ImageSize quickTimeSourceSize(ImageSize output) {
  return ImageSize{output.width / 96 * 96, output.height - output.height % 4};
}

ImagingStatus writeQuickTimeSource(const PanoramaView& panorama, ImageSize source,
                                   const std::string& path, IProgress* progress) {
  auto picture = Bitmap::overPixels(const_cast<std::uint8_t*>(panorama.pixels), panorama.size.width,
                                    panorama.size.height, panorama.size.width * 3);
  // Recorded on the view and applied as it is drawn: the caller's pixels stay as they are.
  if (const ImagingStatus turned = picture->rotateFlip(kRotate270Clockwise);
      turned != ImagingStatus::Ok)
    return turned;
  std::vector<std::uint8_t> bytes;
  if (const ImagingStatus encoded = encodeScaledJpeg(
          *picture, ImageSize{source.height, source.width}, imaging::kDefaultJpegQuality, progress,
          bytes, shell::usableProcessors());
      encoded != ImagingStatus::Ok)
    return encoded;
  const auto file = FileReplacement::create(path, FileKind::Document);
  if (!file || !file->write(bytes) || !file->commit()) return ImagingStatus::Win32Error;
  return ImagingStatus::Ok;
}

int movieDegrees(double fieldOfView) {
  return static_cast<int>(fieldOfView * 180 / kProgramPi);
}

bool writeQuickTimeMovie(const PanoramaView& panorama, const std::string& moviePath,
                         ImageSize output, ImageSize viewSize, IProgress& progress,
                         UserPrompt& prompt) {
  const ImageSize source = quickTimeSourceSize(output);
  if (source.width < 96 || source.height < 4 || source.height > source.width) {
    prompt.showMessage(kMovieTooSmall, MessageIcon::Plain);
    return false;
  }
  std::string failure;
  const auto movie = FileReplacement::create(moviePath, FileKind::Document, &failure);
  if (!movie) {
    showImageFailure(ImagingStatus::Win32Error, failure, prompt);
    return false;
  }
  // The "pan" file holds the name; the source JPEG is that name with ".jpg".
  const shell::ScratchFile pan = scratchFile("pan");
  const shell::ScratchFile tile = scratchFile("tile");
  if (pan.empty() || tile.empty()) {
    showImageFailure(ImagingStatus::Win32Error,
                     cannotWriteText(shell::temporaryFolder(), "no scratch file can be made there"),
                     prompt);
    return false;
  }
  const shell::ScratchFile jpeg(pan.path().string() + ".jpg");
  progress.PushRange(0.1, 0.3);
  const ImagingStatus saved =
      writeQuickTimeSource(panorama, source, jpeg.path().string(), &progress);
  progress.PopRange();
  if (saved == ImagingStatus::Aborted) return false;  // the user's own stop needs no message
  if (saved != ImagingStatus::Ok) {
    showImageFailure(saved, cannotWriteText(jpeg.path(), imagingReasonText(saved)), prompt);
    return false;
  }
  progress.PushRange(0.3, 0.95);
  const int written =
      saveAsQvr(movie->writePath().c_str(), jpeg.path().c_str(), tile.path().c_str(),
                movieDegrees(panorama.fieldOfView), viewSize.width, viewSize.height,
                reportMoviePercent, reinterpret_cast<intptr_t>(&progress));
  progress.PopRange();
  if (written == 0 && movie->commit()) return true;
  if (written == 0)
    showImageFailure(ImagingStatus::Win32Error, movie->failure(), prompt);
  else if (written != 1 && written != QVR_CANCELLED)  // 1: the writer showed its own message
    prompt.showMessage(withDetail(imageSaveFailedText(written),
                                  cannotWriteText(moviePath, movieWriterReasonText(written))),
                       MessageIcon::Plain);
  return false;
}

}  // namespace skylacer::output
