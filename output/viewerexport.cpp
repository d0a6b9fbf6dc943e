// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/viewerexport.h"

#include <fstream>
#include <optional>

#include "output/file_replacement.h"
#include "output/image.h"
#include "output/messages.h"
#include "platform/shell/machine_processors.h"
#include "platform/shell/scratch_files.h"
#include "platform/shell/temporary_files.h"
#include "viewer/panorama_block.h"

namespace skylacer::output {

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
  std::string failure;
  const auto output = FileReplacement::create(outputPath, FileKind::Executable, &failure);
  if (!output) {
    prompt.showMessage(withDetail(fileSaveFailedText(outputPath), failure), MessageIcon::Error);
    return false;
  }

  progress.Report(0.1, kSavingPreparingExe);
  const auto header = viewer::panoramaBlockHeader(panorama.fieldOfView);
  bool written = output->append(viewer) && output->write(header);

  const std::optional<std::filesystem::path> scratchName = shell::createTemporaryFile("exe");
  const shell::ScratchFile jpeg(scratchName.value_or(std::filesystem::path()));
  progress.Report(0.2, kSavingConvertingToJpeg);
  progress.PushRange(0.2, 0.9);
  const imaging::ImagingStatus status =
      jpeg.empty()
          ? imaging::ImagingStatus::Win32Error
          : writeJpeg(jpeg.path().string(), panorama.pixels, panorama.size, 0, options.size,
                      options.quality, &failure, nullptr, &progress, shell::usableProcessors());
  progress.PopRange();
  if (status == imaging::ImagingStatus::Aborted) return false;  // stopped by the user
  if (status != imaging::ImagingStatus::Ok) {
    // The scratch file is named only when writing it failed; otherwise the picture did.
    if (jpeg.empty())
      failure = cannotWriteText(shell::temporaryFolder(), "no scratch file can be made there");
    else if (status != imaging::ImagingStatus::Win32Error)
      failure = cannotWriteText(outputPath, imagingReasonText(status));
    prompt.showMessage(withDetail(imageSaveFailedText(status), failure), MessageIcon::Plain);
    return false;
  }

  // A stop asked during the encoding still keeps the previous file.
  if (progress.Report(0.9, kSavingFinished)) return false;
  written = written && output->append(jpeg.path()) && output->commit();
  if (!written) {
    prompt.showMessage(withDetail(fileSaveFailedText(outputPath), output->failure()),
                       MessageIcon::Error);
    return false;
  }
  return true;
}

}  // namespace skylacer::output
