// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/file_size_limit.h"

#include <csignal>

namespace skylacer::test {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  ::getrlimit(RLIMIT_FSIZE, &previous_);
  previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = previous_;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &previous_);
  std::signal(SIGXFSZ, previousHandler_);
}

}  // namespace skylacer::test
