// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panorama published as a web page for one of four viewers. Each export writes the
// pictures its page needs beside the page (JPEG slices, one JPEG, or a QuickTime VR movie), then
// the page and the viewer's files from the templates under "templates/" in the program's
// folder, with the panorama's numbers filled in.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/progress.h"
#include "output/output_collisions.h"
#include "output/panorama.h"
#include "output/prompt.h"

namespace skylacer::output {

// The viewer kinds with the save dialog's filter indices.
enum class WebViewer {
  Flash = 1,        // slices, "templates/flash"
  QuickTimeVr = 2,  // a movie, "templates/qtvr"
  ActiveX = 3,      // one JPEG, "templates/activex"
  Java = 4,         // one JPEG, "templates/ptviewer"
};

// The viewer of a filter index: 2, 3 and 4 as listed, any other index Flash.
WebViewer webViewerForFilterIndex(int filterIndex);

// Every file the export of a page for `chosenPath` writes: the pictures, the page and the
// viewer's files, with `role` naming the page for messages.
std::vector<PlannedOutput> webPageOutputs(WebViewer viewer, const std::string& chosenPath,
                                          const std::string& role);

// Exports the page for `chosenPath` (see pageNameFor) with the pictures at `options`. Progress:
// Flash 0.1 "Saving: Converting to JPEG.", the slices, 0.9; Java and ActiveX 0.1, the JPEG in
// 0.1-0.9; QuickTime VR 0.1 "Saving to QuickTime...", its picture in 0.1-0.3 and the movie in
// 0.3-0.95; then every page's templates in 0.9-0.95. A picture, movie or template that fails is
// reported through `prompt` and ends the export without a page (pictures already written stay).
// When `progress` asks to stop during the pictures or the movie, the export ends the same way
// without a message. Returns the page's path when the page was written: the caller opens it.
std::optional<std::filesystem::path> exportWebPage(WebViewer viewer, const std::string& chosenPath,
                                                   const PanoramaView& panorama,
                                                   const OutputOptions& options,
                                                   const std::filesystem::path& programFolder,
                                                   IProgress& progress, UserPrompt& prompt);

}  // namespace skylacer::output
