// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Temporary files that must live as long as their owner (the main window keeps the thumbnails
// it handed to the interface movie) and are deleted with it.

#include <filesystem>
#include <vector>

namespace skylacer::output {

class TemporaryFileList {
 public:
  TemporaryFileList() = default;
  // Deletes every file of the list; a file already gone is no failure.
  ~TemporaryFileList();
  TemporaryFileList(const TemporaryFileList&) = delete;
  TemporaryFileList& operator=(const TemporaryFileList&) = delete;

  void add(std::filesystem::path file) { files_.push_back(std::move(file)); }
  const std::vector<std::filesystem::path>& files() const { return files_; }

 private:
  std::vector<std::filesystem::path> files_;
};

}  // namespace skylacer::output
