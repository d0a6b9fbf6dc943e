// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace skylacer::shell {

// Makes every buffer of 4 MiB or more (photographs, canvases, the panorama) its own mapping,
// returned to the system when freed, and lets the heap keep up to 8 MiB free at its end (a
// photograph's file bytes, freed there, serve the next photograph's). The C
// library otherwise raises the mapping threshold after the first large buffer is freed, and
// later buffers of that size come from a heap that keeps what is freed in the middle: the
// alignment's planes and features then stay resident through the composition, whose peak
// (the panorama and three full-size photos) is the run's. Smaller buffers (a photograph's file
// bytes, its reduced copy, the feature detector's temporaries, the encoder's output) come from
// the heap and are reused from one photograph to the next instead of mapped afresh: a page
// first touched costs far more than writing it. The stitch gives the heap's freed memory back
// before the panorama is made.
void returnLargeBuffersWhenFreed();

}  // namespace skylacer::shell
