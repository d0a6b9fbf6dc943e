// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/offscreen.h"

#include <limits>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::toolbox {

namespace {

std::size_t checkedByteCount(int width, int height) {
  if (width < 1 || height < 1) throw MovieToolboxError(paramErr, "an empty offscreen picture");
  const std::size_t rowBytes = std::size_t(width) * 3;
  if (std::size_t(height) > std::numeric_limits<std::size_t>::max() / rowBytes)
    throw MovieToolboxError(paramErr, "an offscreen picture too large to address");
  return rowBytes * std::size_t(height);
}

}  // namespace

Offscreen::Offscreen(int width, int height)
    : width_(width), height_(height), pixels_(checkedByteCount(width, height)) {}

}  // namespace skylacer::toolbox
