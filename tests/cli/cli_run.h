#pragma once

#include <string>
#include <vector>

namespace skylacer::cli {

// What a run of panorama-cli printed and how it ended.
struct ProgramRun {
  int exitStatus = -1;  // the exit status, or 128 + the signal that ended the program
  std::string out;
  std::string err;
};

// Runs panorama-cli with `args` in this process's environment, collecting what it prints. When
// `interruptAt` is given, the program gets SIGINT as soon as its standard error shows that text.
ProgramRun runCli(const std::vector<std::string>& args, const std::string& interruptAt = {});

}  // namespace skylacer::cli
