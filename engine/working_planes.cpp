// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/working_planes.h"

namespace skylacer {

void StoredPlanes::store(std::size_t photo, std::span<const std::uint8_t> colours, ImageSize size) {
  std::vector<std::uint8_t> blue(checkedElementCount(size, 1));
  const std::uint8_t* pixel = colours.data();
  for (auto& value : blue) {
    value = *pixel;
    pixel += 3;
  }
  blue_.at(photo) = std::move(blue);
}

LumaImage StoredPlanes::plane(std::size_t photo) const {
  const std::vector<std::uint8_t>& blue = blue_.at(photo);
  LumaImage luma(blue.size());
  for (std::size_t i = 0; i < blue.size(); ++i) luma[i] = static_cast<std::int16_t>(3 * blue[i]);
  return luma;
}

}  // namespace skylacer
