// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/large_buffers.h"

#include <malloc.h>

namespace skylacer::shell {

namespace {

constexpr int kLargeBufferBytes = 128 * 1024;

}  // namespace

void returnLargeBuffersWhenFreed() {
  mallopt(M_MMAP_THRESHOLD, kLargeBufferBytes);
}

}  // namespace skylacer::shell
