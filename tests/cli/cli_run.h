// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::cli {

// What a run of panorama-cli printed and how it ended.
struct ProgramRun {
  int exitStatus = -1;  // the exit status, or 128 + the signal that ended the program
  std::string out;
  std::string err;
};

// Files given to the program as its standard input or output; empty for none.
struct Redirection {
  std::string input;   // instead of this process's standard input
  std::string output;  // instead of the collecting pipe (ProgramRun::out stays empty)
};

// Runs panorama-cli with `args` in this process's environment, collecting what it prints. When
// `interruptAt` is given, the program gets SIGINT as soon as its standard error shows that text.
ProgramRun runCli(const std::vector<std::string>& args, const std::string& interruptAt = {},
                  const Redirection& redirection = {});

// A temporary folder whose user.db and machine.db are the settings stores of every
// panorama-cli run while it lives.
class CliSandbox {
 public:
  CliSandbox()
      : user_("SKYLACER_USER_SETTINGS", userStoreFile().c_str()),
        machine_("SKYLACER_MACHINE_SETTINGS", (dir_ / "machine.db").c_str()) {}

  std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
  std::filesystem::path userStoreFile() const { return dir_ / "user.db"; }

 private:
  test::TempDir dir_;
  test::ScopedEnv user_;
  test::ScopedEnv machine_;
};

}  // namespace skylacer::cli
