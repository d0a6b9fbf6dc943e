// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The working planes of a series as the alignment reads them: a plane is handed out when a
// pair asks for it, so that a long series need not hold every photograph's plane in the form
// the pyramids read, nor at all where the planes can be made again.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/buffers.h"

namespace skylacer {

// Luminance planes (LumaImage, 0..765) of one size, one per photograph in order.
class WorkingPlanes {
 public:
  virtual ~WorkingPlanes() = default;
  virtual std::size_t count() const = 0;
  // Photograph `photo`'s plane, the caller's own.
  virtual LumaImage plane(std::size_t photo) const = 0;
};

// Planes the caller holds; they must outlive this view.
class HeldPlanes final : public WorkingPlanes {
 public:
  explicit HeldPlanes(std::span<const LumaImage> planes) : planes_(planes) {}
  std::size_t count() const override { return planes_.size(); }
  LumaImage plane(std::size_t photo) const override { return planes_[photo]; }

 private:
  std::span<const LumaImage> planes_;
};

// The planes makeLuma makes, kept at a byte per pixel: each value is three times the pixel's
// blue byte, so the byte is stored and the value made again when a plane is asked for, the same
// values in half the memory.
class StoredPlanes final : public WorkingPlanes {
 public:
  // Room for `count` photographs' planes, each empty until stored.
  explicit StoredPlanes(std::size_t count = 0) : blue_(count) {}
  // Stores the plane of a colour buffer of `size` as photograph `photo`'s; different threads may
  // store different photographs at once.
  void store(std::size_t photo, std::span<const std::uint8_t> colours, ImageSize size);
  std::size_t count() const override { return blue_.size(); }
  LumaImage plane(std::size_t photo) const override;

 private:
  std::vector<std::vector<std::uint8_t>> blue_;
};

}  // namespace skylacer
