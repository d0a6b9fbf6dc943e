// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Deterministic textured pictures for tests that need detail but no real photo.

#include <cstdint>

#include "engine/buffers.h"

namespace skylacer::test {

// Grey value noise (all three channels equal, 20..235): smooth random blobs of 32, 16, 8 and 4
// pixels summed with weights falling by half, the same for the same seed on every machine.
RgbImage noisePicture(ImageSize size, std::uint32_t seed);

// makeLuma of noisePicture: 60..705.
LumaImage noisePlane(ImageSize size, std::uint32_t seed);

}  // namespace skylacer::test
