// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace skylacer::test {

// The repository's samples/ folder (CTest passes it as SKYLACER_SAMPLES_DIR).
std::filesystem::path samplesDir();

// The photos of one bundled series ("mountains", "trail"), sorted by name.
std::vector<std::filesystem::path> samplePhotos(const std::string& series);

}  // namespace skylacer::test
