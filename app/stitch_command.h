// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "AlignImages": stitches the photos the movie lists and hands the panorama back to the movie
// as JPEG slices.

#include "app/command_context.h"
#include "app/window_geometry.h"
#include "engine/buffers.h"

namespace skylacer::app {

// Width of one result slice, in display pixels.
inline constexpr int kSliceWidth = 1024;

// How a panorama is shown in the movie: its display size (at most 1024 high, keeping the
// proportion) and the number of slices across it.
struct SliceLayout {
  PixelSize display;
  int count = 0;
};
SliceLayout sliceLayout(ImageSize panorama);

// Runs the whole command: progress from "Initializing...", the no-photo and single-photo
// questions, the photos decoded and rotated by their codes (an unreadable photo is named and
// stops the command; photos whose headers claim more than the memory limit are refused before
// any is decoded, the slices shown before left as they are), the stitch with the current profile
// and "full360" (a refused series is shown with the reason, to be stitched anyway or, when found
// out of order, to have the movie's list put in the order found ("OrderPhotos" with
// "PhotoOrder%d") and stitched from it), then the slices, "NumImagesToAdd", "ImagesHeight" and
// "GetResult". Always ends with progress 1 and "HideProgress". Running out of memory is reported,
// not thrown.
void runStitchCommand(CommandContext& context);

}  // namespace skylacer::app
