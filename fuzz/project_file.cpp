// SPDX-License-Identifier: GPL-3.0-or-later
// The project file reader. Beyond not crashing: every path it accepts fits a path record, and
// what it accepts (paths and rotations) comes back unchanged when written and read again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "output/project.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skylacer::output;
  const ProjectFile project = readProjectFile(std::span(data, size));
  if (project.result != ProjectFileResult::Ok) {
    if (!project.storedPaths.empty()) std::abort();
    return 0;
  }
  const auto written = projectFileBytes(project.storedPaths, project.rotations);
  // Converted Windows-1251 paths may grow past a record; those cannot be written back.
  if (!written) return 0;
  const ProjectFile again = readProjectFile(*written);
  if (again.result != ProjectFileResult::Ok || again.storedPaths != project.storedPaths ||
      again.rotations != project.rotations)
    std::abort();
  return 0;
}
