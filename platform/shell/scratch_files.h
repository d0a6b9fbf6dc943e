// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Scratch files: files a process creates for its own use and removes when done (an output
// being written under a temporary name, a picture handed to the movie writer). Their names carry
// the process id, "BASE.PID.REST", so that a later run can tell and remove the files of a
// process that is gone (killed with SIGKILL, or crashed). The files of the running process are
// also removed when it is ended by SIGTERM, SIGHUP or SIGINT.

#include <filesystem>
#include <string>
#include <string_view>

namespace skylacer::shell {

// "BASE.PID." for this process: a scratch file's name starts with it.
std::string scratchNamePrefix(std::string_view base);

// Records `file` as this process's scratch file until releaseScratchFile(). The first call
// installs handlers for SIGTERM, SIGHUP and SIGINT where those still have their default action:
// the handler removes every recorded file and then ends the process by the same signal. Up to
// 256 files whose paths are shorter than 1024 bytes are recorded at a time; others are left to
// removeAbandonedScratchFiles() of a later run.
void holdScratchFile(const std::filesystem::path& file);
void releaseScratchFile(const std::filesystem::path& file);

// Removes the files and folders (with what they hold) in `folder` named "BASE.PID.REST" whose
// process PID no longer exists. Those of running processes, including this one, stay. Failures
// are ignored.
void removeAbandonedScratchFiles(const std::filesystem::path& folder, std::string_view base);

// A scratch file in the temporary folder held for the life of the object and removed with it.
class ScratchFile {
 public:
  ScratchFile() = default;
  explicit ScratchFile(std::filesystem::path file);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::filesystem::path& path() const { return path_; }
  bool empty() const { return path_.empty(); }

 private:
  std::filesystem::path path_;
};

}  // namespace skylacer::shell
