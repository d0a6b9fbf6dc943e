// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/picture_destination.h"

#include <unistd.h>

#include "cli/reporting.h"
#include "platform/imaging/local_text.h"

namespace skylacer::cli {

std::optional<PictureDestination> PictureDestination::open(const std::string& path,
                                                           std::string& error) {
  if (path == kStandardStream) {
    if (::isatty(STDOUT_FILENO) == 0) return PictureDestination(nullptr);
    error = localText(
        "-o -: standard output is a terminal, where the picture's bytes would only garble it; "
        "redirect it to a file or a program");
    return std::nullopt;
  }
  auto file = output::FileReplacement::create(path, output::FileKind::Document, &error);
  if (!file) return std::nullopt;
  return PictureDestination(std::move(file));
}

bool PictureDestination::write(std::span<const std::uint8_t> bytes, std::string& error) {
  if (!file_) return writeToStandardOutput(bytes, error);
  if (file_->write(bytes)) return true;
  error = file_->failure();
  return false;
}

bool PictureDestination::commit(std::string& error) {
  if (!file_ || file_->commit()) return true;
  error = file_->failure();
  return false;
}

}  // namespace skylacer::cli
