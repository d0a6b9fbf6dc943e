// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The stitch run: the engine's front door. From decoded photographs to one blended, cropped
// cylindrical panorama with its horizontal field of view, and the cameras the alignment found.

#include <optional>
#include <span>
#include <vector>

#include "engine/buffers.h"
#include "engine/camera.h"
#include "engine/messages.h"
#include "engine/params.h"
#include "engine/progress.h"
#include "engine/projection.h"
#include "engine/trace.h"
#include "engine/verification.h"

namespace skylacer::imaging {
class Bitmap;
}

namespace skylacer {

struct StitchResult {
  // The panorama (owned), its size and horizontal field of view in radians. A single photograph
  // comes back unchanged with angle 0: the caller knows its field of view.
  ComposedPanorama panorama;
  // The cameras of photographs 0..n-1 in absolute form (world: photograph 0's view levelled,
  // x right, y down, z forward), with the common focal length (half photo widths) and
  // distortion. Empty for a single photograph.
  std::vector<CameraRecord> cameras;
  // Per pair 1..m (index 0 unused; a full circle's closing pair last): what the alignment found
  // and how sure it is (pairConfidence). Empty for a single photograph and for
  // kAutoFocalSearchOnly.
  std::vector<PairEvidence> pairs;
  // Why the series was not stitched: set only when the verification refused it, and then the
  // panorama is empty.
  std::optional<AlignmentRefusal> refusal;
  // An open series whose photographs close a full circle: stitching it as one would join the
  // ends.
  bool closesFullCircle = false;
  // The photograph (0-based) whose pixels could not be read whole: damaged, cut short or gone
  // since it was opened. The run stopped there and the panorama is empty; the photograph's
  // bitmap says why (lastStatus(), damage()).
  std::optional<int> unreadablePhoto;
};

// Size of the planes the alignment works on: (W / s, H / s) for the smallest power of two s
// with s² · 2^20 >= W · H, so that a plane holds no more than 2^20 pixels.
ImageSize workingSize(ImageSize photoSize);

// Stitches photographs (decoded and rotated by the caller, in order from left to right) with
// the parameters of a profile and params.full360 set by the caller; writes
// params.coarsestLevel. Progress, when given, runs 0-0.3 loading the reduced planes
// ("Loading images..."), 0.3-0.7 aligning, 0.7-1 composing ("Stitching images"); a report that
// asks to stop ends the run with no result at the next check, wherever it comes. The
// photographs stay the caller's; their decoded pixels are released as the composition finishes
// with each. Returns nothing when stopped, when no photograph is given, or when photograph 0
// has no size. Running out of memory raises std::bad_alloc.
// Unless autoFocal is kAutoFocalSearchOnly the alignment is verified: a series it refuses comes
// back with `refusal` set and no panorama, unless `check` is StitchAnyway. Photographs of
// another size than photograph 0 are refused before anything is loaded, whatever `check` says.
// A photograph that cannot be decoded whole stops the run with `unreadablePhoto` set.
// The loading and the composition share their work among `workers` threads (see
// composePanorama); the result is the same for any number, and progress is reported on the
// calling thread only.
std::optional<StitchResult> stitchPanorama(std::span<imaging::Bitmap* const> photos,
                                           StitchParams& params, IProgress* progress,
                                           TraceSink& trace,
                                           AlignmentCheck check = AlignmentCheck::Refuse,
                                           int workers = 1);

}  // namespace skylacer
