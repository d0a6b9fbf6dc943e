// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace skylacer::shell {

// Makes every buffer of 128 KiB or more its own mapping, returned to the system when freed. The
// C library otherwise raises that threshold after the first large buffer is freed, and later
// buffers of that size come from a heap that keeps what is freed in the middle: the
// alignment's planes and features then stay resident through the composition, whose peak
// (the panorama and three full-size photos) is the run's.
void returnLargeBuffersWhenFreed();

}  // namespace skylacer::shell
