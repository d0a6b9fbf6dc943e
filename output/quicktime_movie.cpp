#include "output/quicktime_movie.h"

#include <cstdint>
#include <filesystem>
#include <optional>

#include "movwriter/save_as_qvr.h"
#include "output/banded_scaling.h"
#include "output/messages.h"
#include "platform/imaging/bitmap.h"
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

// The temporary names the movie needs: the "pan" name (a file of its own, kept to hold the
// name), the source JPEG beside it and the writer's "tile" scratch file. All go with the object.
struct MovieScratch {
  std::filesystem::path pan;
  std::filesystem::path tile;
  std::filesystem::path jpeg() const { return pan.string() + ".jpg"; }

  ~MovieScratch() {
    std::error_code ignored;
    for (const std::filesystem::path& file : {pan, jpeg(), tile})
      if (!file.empty()) std::filesystem::remove(file, ignored);
  }
};

void showImageFailure(ImagingStatus status, UserPrompt& prompt) {
  prompt.showMessage(status == ImagingStatus::OutOfMemory ? std::string(kNotEnoughMemory)
                                                          : imageSaveFailedText(status),
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
  return saveScaledJpeg(*picture, path, ImageSize{source.height, source.width},
                        imaging::kDefaultJpegQuality, progress);
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
  MovieScratch scratch;
  const std::optional<std::filesystem::path> pan = shell::createTemporaryFile("pan");
  if (pan) scratch.pan = *pan;
  const std::optional<std::filesystem::path> tile = shell::createTemporaryFile("tile");
  if (tile) scratch.tile = *tile;
  if (!pan || !tile) {
    showImageFailure(ImagingStatus::Win32Error, prompt);
    return false;
  }

  progress.PushRange(0.1, 0.3);
  const ImagingStatus saved =
      writeQuickTimeSource(panorama, source, scratch.jpeg().string(), &progress);
  progress.PopRange();
  if (saved == ImagingStatus::Aborted) return false;  // the user's own stop needs no message
  if (saved != ImagingStatus::Ok) {
    showImageFailure(saved, prompt);
    return false;
  }
  progress.PushRange(0.3, 0.95);
  const int written = saveAsQvr(moviePath.c_str(), scratch.jpeg().c_str(), scratch.tile.c_str(),
                                movieDegrees(panorama.fieldOfView), viewSize.width, viewSize.height,
                                reportMoviePercent, reinterpret_cast<intptr_t>(&progress));
  progress.PopRange();
  if (written == 0) return true;
  // 1: the writer showed its own message.
  if (written != 1 && written != QVR_CANCELLED)
    prompt.showMessage(imageSaveFailedText(written), MessageIcon::Plain);
  return false;
}

}  // namespace skylacer::output
