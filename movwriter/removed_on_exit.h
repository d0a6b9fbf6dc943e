// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Deletes a file when the scope that made or was handed it ends, on every way out. An empty
// path stands for no file.

#include <unistd.h>

#include <filesystem>

namespace skylacer::movwriter {

class RemovedOnExit {
 public:
  explicit RemovedOnExit(std::filesystem::path path) : path_(std::move(path)) {}
  ~RemovedOnExit() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  RemovedOnExit(const RemovedOnExit&) = delete;
  RemovedOnExit& operator=(const RemovedOnExit&) = delete;

 private:
  std::filesystem::path path_;
};

}  // namespace skylacer::movwriter
