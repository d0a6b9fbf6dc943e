// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Photos between the program and the movie: adding them ("IDC_ADD_IMAGES") and reading back
// the list the movie shows.

#include <string>
#include <vector>

#include "app/command_context.h"

namespace skylacer::app {

// The dialog lists the file that had the focus first: three or more paths whose first is
// greater than the second while the rest ascend are put back in order by moving the first to
// the end. Every other list keeps its order. Paths compare as bytes.
std::vector<std::string> orderedSelection(std::vector<std::string> paths);

// The photos the movie shows, in its order: "alignpath0" .. "alignpath<N-1>" with N from
// "NumImagesToAlign" (a negative count reads as none), and the rotate/flip code of each from
// "alignang<i>".
struct MoviePhotos {
  std::vector<std::string> paths;
  std::vector<int> rotations;
};
MoviePhotos moviePhotoList(CShockwaveFlash& movie);

// Lets the user pick photos (any number) and hands each to the movie with its thumbnail,
// size and name, then "NumImagesToAdd" and "AddImages"; sets the changed flag. The folder of
// the choice is kept as "LastPath" under "Config".
void addPhotos(CommandContext& context);
// Hands `photos` to the movie as "Add photos" does once they are chosen; sets the changed flag.
void handPhotos(CommandContext& context, const std::vector<std::string>& photos);

// The files dropped on the movie, in the order dropped: the local files among "DroppedUrl0" ..
// "DroppedUrl<N-1>" (N from "NumDroppedUrls"); addresses that are not local files, folders and
// files that do not exist are left out.
std::vector<std::string> droppedFiles(CShockwaveFlash& movie);
// "IDC_DROP_IMAGES": the dropped files join the photos as added ones do; nothing happens when
// none is a file.
void addDroppedPhotos(CommandContext& context);

}  // namespace skylacer::app
