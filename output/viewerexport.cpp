#include "output/viewerexport.h"

#include <fstream>
#include <optional>

#include "output/file_replacement.h"
#include "output/image.h"
#include "output/messages.h"
#include "platform/shell/temporary_files.h"
#include "viewer/panorama_block.h"

namespace skylacer::output {

namespace {

// A temporary file removed when the export ends, whatever its outcome.
struct ScratchFile {
  std::filesystem::path path;
  ~ScratchFile() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove(path, ignored);
  }
};

}  // namespace

bool exportViewer(const std::filesystem::path& outputPath, const PanoramaView& panorama,
                  const OutputOptions& options, const std::filesystem::path& programFolder,
                  IProgress& progress, UserPrompt& prompt) {
  const std::filesystem::path viewer = programFolder / kViewerFileName;
  std::error_code error;
  if (!std::filesystem::is_regular_file(viewer, error) ||
      !std::ifstream(viewer, std::ios::binary)) {
    prompt.showMessage(viewerMissingText(viewer), MessageIcon::Error);
    return false;
  }
  const auto output = FileReplacement::create(outputPath, FileKind::Executable);
  if (!output) {
    prompt.showMessage(fileSaveFailedText(outputPath), MessageIcon::Error);
    return false;
  }

  progress.Report(0.1, kSavingPreparingExe);
  const auto header = viewer::panoramaBlockHeader(panorama.fieldOfView);
  bool written = output->append(viewer) && output->write(header);

  ScratchFile jpeg;
  if (const std::optional<std::filesystem::path> file = shell::createTemporaryFile("exe"))
    jpeg.path = *file;
  progress.Report(0.2, kSavingConvertingToJpeg);
  progress.PushRange(0.2, 0.9);
  const imaging::ImagingStatus status =
      jpeg.path.empty() ? imaging::ImagingStatus::Win32Error
                        : writeJpeg(jpeg.path.string(), panorama.pixels, panorama.size, 0,
                                    options.size, options.quality, &progress);
  progress.PopRange();
  if (status == imaging::ImagingStatus::Aborted) return false;  // stopped by the user
  if (status != imaging::ImagingStatus::Ok) {
    prompt.showMessage(imageSaveFailedText(status), MessageIcon::Plain);
    return false;
  }

  // A stop asked during the encoding still keeps the previous file.
  if (progress.Report(0.9, kSavingFinished)) return false;
  written = written && output->append(jpeg.path) && output->commit();
  if (!written) {
    prompt.showMessage(fileSaveFailedText(outputPath), MessageIcon::Error);
    return false;
  }
  return true;
}

}  // namespace skylacer::output
