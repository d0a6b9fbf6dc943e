// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panorama published as one self-contained program: a copy of the viewer program
// ("viewer.dat" beside the main program) followed by the panorama data block (the magic, the
// field of view, the JPEG; see viewer/panorama_block.h).

#include <filesystem>

#include "engine/progress.h"
#include "output/panorama.h"
#include "output/prompt.h"

namespace skylacer::output {

inline constexpr char kViewerFileName[] = "viewer.dat";

// Writes the program at `outputPath` from `programFolder`/viewer.dat, the block and the
// panorama as a JPEG at `options`. Progress: 0.1 "Saving: Preparing exe file.", 0.2 "Saving:
// Converting to JPEG." with the JPEG in the sub-range 0.2-0.9, 0.9 "Saving: Finished.".
// A missing viewer is reported before anything is created; a failed JPEG shows the image
// message; an output that cannot be written shows the save-file message. On any failure the
// output path is left as it was (a previous file stays whole) and no temporary file remains.
// When `progress` asks to stop, the export ends as soon as the JPEG's scaling sees it, or at
// the latest before the program replaces the output, with false and no message.
// On success the file is executable and the result is true: the caller then starts it.
bool exportViewer(const std::filesystem::path& outputPath, const PanoramaView& panorama,
                  const OutputOptions& options, const std::filesystem::path& programFolder,
                  IProgress& progress, UserPrompt& prompt);

}  // namespace skylacer::output
