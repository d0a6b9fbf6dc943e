// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A QuickTime VR movie of the panorama through the movie writer (saveAsQvr): the panorama is
// scaled to a width that is a multiple of 96 and a height that is a multiple of 4, turned 270
// degrees clockwise (its left edge at the bottom) and saved as a temporary JPEG, from which the
// writer builds the movie.

#include <string>

#include "engine/buffers.h"
#include "engine/progress.h"
#include "output/panorama.h"
#include "output/prompt.h"
#include "platform/imaging/bitmap.h"

namespace skylacer::output {

// The viewer window of a movie saved as an image (not for a web page).
inline constexpr ImageSize kSavedMovieViewSize{400, 300};

// The movie's source size for an output size W' x H': ((W' div 96) * 96) x (H' - H' mod 4),
// before the turn.
ImageSize quickTimeSourceSize(ImageSize output);

// The movie's source picture: the panorama scaled to `source` (a quickTimeSourceSize) and
// turned 270 degrees clockwise, saved as a JPEG at the encoder's default quality. `progress`,
// when given, follows the scaling and may stop it (Aborted, nothing written).
imaging::ImagingStatus writeQuickTimeSource(const PanoramaView& panorama, ImageSize source,
                                            const std::string& path, IProgress* progress = nullptr);

// The field of view in whole degrees as the movie writer takes it: radians * 180 / π (the
// program's π), truncated toward zero.
int movieDegrees(double fieldOfView);

// Writes the movie at `moviePath` for the output size `output`, the movie's viewer window
// `viewSize`, reporting the source picture's progress in the sub-range 0.1-0.3 and the writer's
// in 0.3-0.95 of the caller's range. When `progress` asks to stop, the work ends within one tile
// of the movie (or one band of the scaling) and the result is false, without a message; a movie
// already at `moviePath` stays as it was.
// Refuses with a message a source below 96 x 4 pixels or higher than wide (the writer would
// write nothing). A source picture that cannot be saved
// shows the memory message when memory ran out and the image message with its status
// otherwise; a writer result of 1 was already shown by the writer, any other non-zero result
// is shown as the image message with that code. Returns true only when the movie was written.
// The temporary files ("pan", its ".jpg" copy, the "tile" scratch file) are gone on return.
bool writeQuickTimeMovie(const PanoramaView& panorama, const std::string& moviePath,
                         ImageSize output, ImageSize viewSize, IProgress& progress,
                         UserPrompt& prompt);

}  // namespace skylacer::output
