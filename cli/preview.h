// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "cli/reporting.h"

namespace skylacer::cli {

// A contact strip: every photo scaled to `height` rows, side by side in list order, written as
// one JPEG (to standard output for "-"). It shows at a glance whether a series is complete and
// in order before a stitch. Returns 0 on success; on failure prints what failed and returns 1.
int writePreviewStrip(const std::vector<std::string>& photos, int height,
                      const std::string& outputPath, const Reporting& reporting);

}  // namespace skylacer::cli
