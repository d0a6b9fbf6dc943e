// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/temporary_file_list.h"

namespace skylacer::output {

TemporaryFileList::~TemporaryFileList() {
  for (const std::filesystem::path& file : files_) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
  }
}

}  // namespace skylacer::output
