#pragma once

#include <string>
#include <vector>

namespace skylacer::cli {

// A contact strip: every photo scaled to `height` rows, side by side in list order, written as
// one JPEG. It shows at a glance whether a series is complete and in order before a stitch.
// Returns 0 on success; on failure prints what failed and returns 1.
int writePreviewStrip(const std::vector<std::string>& photos, int height,
                      const std::string& outputPath);

}  // namespace skylacer::cli
