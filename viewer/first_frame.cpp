// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/first_frame.h"

#include <initializer_list>

namespace skylacer::viewer {

int firstFrameReduction(int width, int height) {
  if (static_cast<long long>(width) * height <= kFullFirstFramePixels) return 1;
  for (const int denominator : {8, 4, 2})
    // A reduced decode has the full size divided and rounded up.
    if ((height + denominator - 1) / denominator >= kReducedFirstFrameRows) return denominator;
  return 1;
}

}  // namespace skylacer::viewer
