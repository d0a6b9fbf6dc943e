// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string_view>

#include "platform/imaging/local_text.h"

namespace skylacer::cli {

// The usage lines of the stitch command, as the program's help shows them.
inline constexpr auto kStitchUsage = SourceText(
    "  panorama-cli stitch [options] PHOTO... -o OUT.jpg\n"
    "      stitches the photos, taken turning right, into one cylindrical panorama\n"
    "      (-o - writes it to standard output; one photo may be -, standard input)\n"
    "      --full360          the photos close a full circle\n"
    "      --rotate N:CODE    rotate/flip photo N (from 1) by CODE: 0 none, 1 90 degrees\n"
    "                         clockwise, 2 180, 3 270, 4-7 the same then flipped; repeatable\n"
    "      --profile NAME     the stitch parameters of a stored profile\n"
    "      --params \"13 numbers\"  the stitch parameters in profile text form\n"
    "                         (default: the built-in default profile)\n"
    "      --quality Q        JPEG quality 0-100 (default 75)\n"
    "      --size WxH         save the panorama scaled to W x H pixels\n"
    "      --hfov DEG         one photo only: use it as the panorama with this field of view\n"
    "      --cameras FILE     write the cameras the engine estimated as JSON\n"
    "      --stitch-anyway    stitch photos the alignment is not sure of instead of refusing\n"
    "      --in-found-order   stitch photos given out of order in the order the alignment\n"
    "                         finds for them (up to 16 photos)\n"
    "      --memory-limit SIZE  refuse photos estimated to need more memory than SIZE (bytes,\n"
    "                         or with K, M, G or T; default 3/4 of the machine's memory, or the\n"
    "                         setting \"Memory limit\" in MB under \"Settings\" when larger)\n"
    "      -v, --verbose      show the engine's trace lines (on standard error)\n"
    "      -q, --quiet        show no progress and no result line, only errors\n"
    "      (and the publishing options below)\n");

// Runs "stitch" with the words that follow it. Ctrl-C stops the run at its next progress
// report (the stitch's, or one after a band of rows of the panorama's scaling and encoding) and
// nothing is written. Returns the exit status: 0 done, 1 failed (the reason on stderr), 2
// misused (the usage on stderr), 130 stopped by Ctrl-C.
int runStitchCommand(std::span<const std::string_view> args);

}  // namespace skylacer::cli
