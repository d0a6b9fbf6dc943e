// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "panorama-cli stitch" run in a child process, as a user runs it: its peak resident memory
// against the limit a stitch must keep to (the panorama's bytes, three full-size photos and
// 64 MB, whatever the number of photos), the longest wait between two of its progress lines,
// and how soon it ends after a Ctrl-C in each of its phases. The environment variable
// SKYLACER_BENCH_CLI, when set, names the panorama-cli to run (another build's, for the figures
// before a change).

#include <string>
#include <vector>

namespace skylacer::bench {

// Stitches the photo files (of one size) into `output` with the default profile and prints
// the peak against the limit. With `cancels`, runs the stitch again once per phase and sends
// Ctrl-C as the phase's text appears, printing the time to the child's exit. Returns false
// when the stitch failed.
bool reportChildStitch(const std::vector<std::string>& photos, bool fullCircle,
                       const std::string& output, bool cancels);

// `photos` photos of 4000 x 3000 rendered from the first "mountains" sample wrapped round a
// full turn (equal turns, 63 degree lens, sensor-like noise), saved as JPEG files in a scratch
// folder, then reportChildStitch with --full360 and cancels. Returns the process exit status.
int runCircleBench(int photos);

}  // namespace skylacer::bench
