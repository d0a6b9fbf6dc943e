// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/reporting.h"
#include "output/output_collisions.h"
#include "output/panorama.h"
#include "output/webexport.h"
#include "platform/imaging/local_text.h"

namespace skylacer::cli {

// The publishing options that "stitch" and "publish" share, as the help shows them.
inline constexpr auto kPublishOptionsUsage = SourceText(
    "      --mov FILE         also save a QuickTime VR movie\n"
    "      --html KIND:FILE   also export a web page; KIND flash, qtvr, activex or java;\n"
    "                         repeatable\n"
    "      --exe FILE         also export a self-contained viewer program\n"
    "      --project FILE     also save the project (the list of photos)\n");

inline constexpr auto kPublishUsage = SourceText(
    "  panorama-cli publish PANORAMA.jpg --hfov DEG [options]\n"
    "      publishes an existing panorama with its horizontal field of view in degrees\n"
    "      (a PANORAMA.jpg of - is read from standard input)\n"
    "      --size WxH         the pictures at W x H pixels (default: the panorama's size)\n"
    "      --quality Q        JPEG quality 0-100 (default 75)\n"
    "      --memory-limit SIZE  as for stitch\n"
    "      -q, --quiet        show no progress and no result lines, only errors\n"
    "  panorama-cli project show FILE\n"
    "      lists the photos of a project, as found from the project's folder\n");

// What to write besides the panorama's JPEG.
struct PublishRequests {
  std::string movie;
  std::vector<std::pair<output::WebViewer, std::string>> pages;
  std::string viewerProgram;
  std::string project;
  bool any() const {
    return !movie.empty() || !pages.empty() || !viewerProgram.empty() || !project.empty();
  }
};

// The files the requested outputs write, for the check that they overwrite nothing.
std::vector<output::PlannedOutput> publishOutputs(const PublishRequests& requests);

// Takes `word` and its `value` when `word` is one of the publishing options. Returns whether it
// was one; `error` says what is wrong with its value.
bool takePublishOption(std::string_view word, std::string_view value, PublishRequests& requests,
                       std::optional<std::string>& error);

// Writes every requested output of the panorama at `options`, reporting progress and each file
// written as `reporting` says. The project lists `photos`. Returns 0 when
// everything was written, 1 when something failed (its message on standard error). Ctrl-C stops
// the output being written within a fraction of a second (a file it would replace stays as it
// was) and skips the rest: the outputs finished before stay, and the result is 130.
int publishPanorama(const output::PanoramaView& panorama, const output::OutputOptions& options,
                    const PublishRequests& requests, std::span<const std::string> photos,
                    const Reporting& reporting);

// Runs "publish" and "project" with the words that follow them: 0 done, 1 failed, 2 misused.
int runPublishCommand(std::span<const std::string_view> args);
int runProjectCommand(std::span<const std::string_view> args);

}  // namespace skylacer::cli
