// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/large_buffers.h"

#include <malloc.h>

namespace skylacer::shell {

namespace {

constexpr int kLargeBufferBytes = 4 * 1024 * 1024;
constexpr int kHeapEndKeptBytes = 8 * 1024 * 1024;

}  // namespace

void returnLargeBuffersWhenFreed() {
  mallopt(M_MMAP_THRESHOLD, kLargeBufferBytes);
  mallopt(M_TRIM_THRESHOLD, kHeapEndKeptBytes);
}

}  // namespace skylacer::shell
