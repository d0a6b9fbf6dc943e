// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/data_folder.h"

#include <system_error>

namespace skylacer::shell {

std::filesystem::path installedDataFolder(const std::filesystem::path& programFolder) {
  return (programFolder / ".." / ".." / "share" / "skylacer3").lexically_normal();
}

std::filesystem::path dataFolder(const std::filesystem::path& programFolder,
                                 std::string_view entry) {
  std::error_code unreadable;
  if (std::filesystem::exists(programFolder / entry, unreadable)) return programFolder;
  return installedDataFolder(programFolder);
}

}  // namespace skylacer::shell
