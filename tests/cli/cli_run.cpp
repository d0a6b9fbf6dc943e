// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/cli_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace skylacer::cli {

namespace {

// In the child: `path` opened with `flags` as descriptor `target`; ends the child when it cannot.
void redirect(const std::string& path, int flags, int target) {
  if (path.empty()) return;
  const int fd = open(path.c_str(), flags);
  if (fd < 0 || dup2(fd, target) < 0) _exit(126);
  close(fd);
}

}  // namespace

ProgramRun runCli(const std::vector<std::string>& args, const std::string& interruptAt,
                  const Redirection& redirection) {
  int outPipe[2];
  int errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe");
  std::vector<char*> argv;
  std::string program = PANORAMA_CLI;
  argv.push_back(program.data());
  std::vector<std::string> words = args;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    close(outPipe[0]);
    close(errPipe[0]);
    redirect(redirection.input, O_RDONLY, STDIN_FILENO);
    redirect(redirection.output, O_WRONLY, STDOUT_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  ProgramRun run;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&run.out, &run.err};
  bool interrupted = false;
  int open = 2;
  while (open > 0) {
    poll(fds, 2, -1);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
        continue;
      }
      sinks[i]->append(buffer, static_cast<std::size_t>(n));
    }
    if (!interruptAt.empty() && !interrupted && run.err.find(interruptAt) != std::string::npos) {
      kill(pid, SIGINT);
      interrupted = true;
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace skylacer::cli
