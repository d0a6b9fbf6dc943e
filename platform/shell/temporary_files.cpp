// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/temporary_files.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/shell/scratch_files.h"

namespace skylacer::shell {

std::filesystem::path temporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

namespace {

// "TMP/PREFIX.PID.XXXXXX" after the leftovers of gone processes are removed; nothing for a
// prefix that holds a '/'.
std::optional<std::string> scratchPattern(std::string_view prefix) {
  if (prefix.find('/') != std::string_view::npos) return std::nullopt;
  const std::filesystem::path folder = temporaryFolder();
  removeAbandonedScratchFiles(folder, prefix);
  return (folder / scratchNamePrefix(prefix)).string() + "XXXXXX";
}

}  // namespace

std::optional<std::filesystem::path> createTemporaryFile(std::string_view prefix) {
  std::optional<std::string> pattern = scratchPattern(prefix);
  if (!pattern) return std::nullopt;
  const int descriptor = ::mkstemp(pattern->data());
  if (descriptor < 0) return std::nullopt;
  ::close(descriptor);
  return std::filesystem::path(*pattern);
}

std::optional<std::filesystem::path> createTemporaryFolder(std::string_view prefix) {
  std::optional<std::string> pattern = scratchPattern(prefix);
  if (!pattern || ::mkdtemp(pattern->data()) == nullptr) return std::nullopt;
  return std::filesystem::path(*pattern);
}

}  // namespace skylacer::shell
