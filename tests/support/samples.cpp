// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/samples.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace skylacer::test {

std::filesystem::path samplesDir() {
  const char* dir = std::getenv("SKYLACER_SAMPLES_DIR");
  if (dir == nullptr || *dir == '\0')
    throw std::runtime_error("SKYLACER_SAMPLES_DIR is not set; run the tests through ctest");
  return dir;
}

std::vector<std::filesystem::path> samplePhotos(const std::string& series) {
  std::vector<std::filesystem::path> photos;
  for (const auto& entry : std::filesystem::directory_iterator(samplesDir() / series))
    if (entry.path().extension() == ".jpg") photos.push_back(entry.path());
  std::sort(photos.begin(), photos.end());
  return photos;
}

}  // namespace skylacer::test
