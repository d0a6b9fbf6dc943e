// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "output/file_replacement.h"

namespace skylacer::cli {

// Where -o sends the picture: a file that replaces any earlier one only on commit(), or standard
// output for "-", where the bytes go out as they are written (never onto a terminal).
class PictureDestination {
 public:
  // Nothing, with the reason in `error`, when the file cannot be made or standard output is a
  // terminal.
  static std::optional<PictureDestination> open(const std::string& path, std::string& error);

  bool toStandardOutput() const { return !file_; }

  // False with the reason in `error`.
  bool write(std::span<const std::uint8_t> bytes, std::string& error);
  bool commit(std::string& error);

 private:
  explicit PictureDestination(std::unique_ptr<output::FileReplacement> file)
      : file_(std::move(file)) {}

  std::unique_ptr<output::FileReplacement> file_;  // null for standard output
};

}  // namespace skylacer::cli
