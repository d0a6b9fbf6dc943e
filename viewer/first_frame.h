// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The first frame of a large panorama shows a reduced decode of its picture, which the full
// picture replaces once that frame is on the screen: decoding a 12k-wide picture whole takes
// longer than the viewer's start may.

namespace skylacer::viewer {

// Pictures of up to this many pixels show at full size from the first frame on.
inline constexpr long long kFullFirstFramePixels = 8'000'000;
// A reduced picture keeps at least this many rows: the window starts 400 pixels high and
// shows the panorama's full height.
inline constexpr int kReducedFirstFrameRows = 300;

// The denominator (8, 4 or 2) of the reduced size the first frame of a picture of this size is
// decoded at: the largest that keeps enough rows. 1: the full size.
int firstFrameReduction(int width, int height);

}  // namespace skylacer::viewer
