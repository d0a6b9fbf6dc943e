// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The commands that write the panorama or the project out, or read a project in. Each ends
// the command on a cancelled dialog without a change; a failure is shown where it happens and
// nothing is opened afterwards. The panorama's outputs refuse, before anything is written, a
// file that is one of the project's photos, also among the files a page writes beside itself.

#include <string>

#include "app/command_context.h"

namespace skylacer::app {

// "IDC_SAVEASIMAGE": a JPEG or a QuickTime VR movie at the chosen size and quality, then opened.
void saveImage(CommandContext& context);
// "IDC_EXPORTTOEXE": a self-contained viewer program, then started.
void exportViewerProgram(CommandContext& context);
// "IDC_EXPORTTOHTML": a web page for the chosen viewer, then opened.
void exportWebPage(CommandContext& context);

// "IDC_OPEN_WORKSPACE" after its close query: the chosen project's photos go to the movie; on
// success the project path is recorded and the changed flag cleared.
void openProjectChosen(CommandContext& context);
// Opens the project at `path` (the command line's project at start-up).
bool openProjectAt(CommandContext& context, const std::string& path);

// "IDC_SAVEPROJECT": saves the photos the movie shows to a chosen file. True when saved; the
// path becomes the project path and the changed flag is cleared.
bool saveProjectChosen(CommandContext& context);
// Saves to `path` with the same effects.
bool saveProjectAt(CommandContext& context, const std::string& path);

}  // namespace skylacer::app
