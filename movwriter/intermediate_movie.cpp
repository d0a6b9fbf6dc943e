// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/intermediate_movie.h"

#include <string>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::movwriter {

namespace {
constexpr int kMaxNameAttempts = 1000;
}

std::filesystem::path intermediateName(const std::filesystem::path& output) {
  std::string name = output.filename().string();
  if (name.empty()) throw toolbox::MovieToolboxError(toolbox::paramErr, "no output file name");
  name.back() = name.back() == 't' ? '@' : 't';
  return output.parent_path() / name;
}

toolbox::MovieFile createIntermediateMovie(const std::filesystem::path& output) {
  const std::filesystem::path base = intermediateName(output);
  std::filesystem::path candidate = base;
  for (int attempt = 1;; ++attempt) {
    try {
      return toolbox::MovieFile::create(candidate, toolbox::FileCreation::New);
    } catch (const toolbox::MovieToolboxError& error) {
      if (error.code() != toolbox::dupFNErr || attempt == kMaxNameAttempts) throw;
    }
    candidate = base;
    candidate += "-" + std::to_string(attempt);
  }
}

}  // namespace skylacer::movwriter
