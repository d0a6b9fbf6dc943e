// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/command.h"

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

namespace skylacer::test {

CommandResult run(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) result.push_back(line);
  return result;
}

}  // namespace skylacer::test
