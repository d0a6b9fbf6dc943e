// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/programs.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace skylacer::viewer::platform {
namespace {

std::vector<char*> argumentPointers(const std::vector<std::string>& arguments) {
  std::vector<char*> pointers;
  for (const std::string& argument : arguments)
    pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

std::vector<pid_t> started;

}  // namespace

bool startProgram(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return false;
  std::vector<char*> argv = argumentPointers(arguments);
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  started.push_back(child);
  return true;
}

std::optional<ProgramResult> runProgram(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return std::nullopt;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  std::vector<char*> argv = argumentPointers(arguments);
  pid_t child = 0;
  const int failure = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (failure != 0) {
    close(pipeEnds[0]);
    return std::nullopt;
  }
  ProgramResult result;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got > 0) {
      result.output.append(buffer, static_cast<std::size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  // 127: the shell's "not found", as a wrapper script reports a missing program.
  if (result.exitCode == 127) return std::nullopt;
  return result;
}

void reapPrograms() {
  std::erase_if(started, [](pid_t child) { return waitpid(child, nullptr, WNOHANG) == child; });
}

void restartSelf(const std::vector<std::string>& arguments) {
  std::vector<char*> argv = argumentPointers(arguments);
  execve("/proc/self/exe", argv.data(), environ);
}

}  // namespace skylacer::viewer::platform
