// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/program_folder.h"

namespace skylacer::shell {

std::filesystem::path programFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

}  // namespace skylacer::shell
