// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pixel buffers of the engine. Buffers do not carry their size: an ImageSize travels beside
// every one of them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/pixel_memory.h"

namespace skylacer::imaging {
class Bitmap;
}

namespace skylacer {

struct ImageSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// width x height x 3 bytes, rows top to bottom with no gap, each pixel blue, green, red.
// (0, 0, 0) means "no data" everywhere in the engine.
using RgbImage = std::vector<std::uint8_t>;

// Hands out pixel memory (engine/pixel_memory.h) and makes its elements without a value
// (default initialisation): for buffers whose maker writes every element before anything reads
// it, which value initialisation would write once more for nothing.
template <typename T>
struct NoFillAllocator {
  using value_type = T;

  NoFillAllocator() = default;
  template <typename U>
  NoFillAllocator(const NoFillAllocator<U>&) noexcept {}

  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
  T* allocate(std::size_t count) {
    if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocatePixelMemory(count * sizeof(T)));
  }
  void deallocate(T* elements, std::size_t count) noexcept {
    freePixelMemory(elements, count * sizeof(T));
  }
  template <typename U>
  void construct(U* element) noexcept {
    ::new (static_cast<void*>(element)) U;
  }
  template <typename U, typename... Args>
  void construct(U* element, Args&&... args) {
    ::new (static_cast<void*>(element)) U(std::forward<Args>(args)...);
  }
  template <typename U>
  bool operator==(const NoFillAllocator<U>&) const noexcept {
    return true;
  }
};

// Laid out like RgbImage, but its bytes have no value until written: its maker writes every one
// of them before anything reads it. The panorama, the canvases and the photographs of the
// composition travel in these.
using UnfilledRgbImage = std::vector<std::uint8_t, NoFillAllocator<std::uint8_t>>;

// width x height signed 16-bit luminance values, row-major with no gap; 0..765 from makeLuma,
// centred on 384 after high-pass filtering.
using LumaImage = std::vector<std::int16_t>;

// A luminance sample or gradient entry holding this value stands for "no value here".
constexpr std::int16_t NoSample = 12331;

struct Gradient {
  double dx = 0;  // change along x
  double dy = 0;  // change along y
};
using GradientField = std::vector<Gradient>;

// width * height * channels, checked: a negative or overflowing size raises std::bad_alloc
// before any allocation is attempted.
std::size_t checkedElementCount(ImageSize size, std::size_t channels);

// A zero-filled colour buffer of the given size.
RgbImage makeRgbImage(ImageSize size);

// A colour buffer of the given size whose bytes the caller writes before reading any.
UnfilledRgbImage makeUnfilledRgbImage(ImageSize size);

// Gives back to the system the heap memory freed so far. The loading's work buffers are reused
// from one photograph to the next in the heap rather than mapped afresh; what they leave there
// must not stay resident beside the panorama.
void returnFreedMemory();

// Raised when a photograph's pixels cannot be had whole (its data damaged or cut short, its file
// gone since it was opened): the engine stitches nothing a photograph does not hold. The
// bitmap's lastStatus() and damage() say why.
class PhotoUnreadable : public std::runtime_error {
 public:
  explicit PhotoUnreadable(const imaging::Bitmap& photo)
      : std::runtime_error("a photograph cannot be read"), photo_(&photo) {}
  const imaging::Bitmap& photo() const { return *photo_; }

 private:
  const imaging::Bitmap* photo_;
};

// Throws PhotoUnreadable, or std::bad_alloc when the imaging layer ran out of memory, unless the
// bitmap's last call succeeded.
void requireDecoded(const imaging::Bitmap& photo);

// The bitmap's whole picture as a colour buffer of exactly `size`: copied when the bitmap has
// that size (then released when `release` is set), scaled into it otherwise. Unless released, the
// bitmap holds no more decoded pixels afterwards than it held before. A bitmap that
// cannot be read whole raises PhotoUnreadable (and is not released).
RgbImage imageToRgb(imaging::Bitmap& bitmap, ImageSize size, bool release);

// Decodes a photograph at `size` into `pixels` (size.width x size.height x 3 bytes, every one
// written): at its own size straight into the buffer, otherwise scaled. A photograph that cannot
// be read whole raises PhotoUnreadable.
void readPhotoPixels(imaging::Bitmap& photo, std::uint8_t* pixels, ImageSize size);

// The working copy of a photograph's full-size pixels: each pixel the mean of the photograph's
// area it covers, with exact overlap weights where the sizes are not whole multiples.
UnfilledRgbImage workingColours(std::span<const std::uint8_t> photo, ImageSize photoSize,
                                ImageSize size);

// A photograph decoded at full size, into `full` when given (photoSize, every byte written), and
// its working copy at `size` made from the rows as they decode, while they are in the
// processor's cache; without `full` no full-size picture is held at any time. Nothing, with
// nothing read, unless `size` reduces the photograph by a power of two and its bitmap hands
// over its rows (a JPEG read upright as stored). A photograph that cannot be read whole raises
// PhotoUnreadable.
std::optional<UnfilledRgbImage> workingColoursFromRows(imaging::Bitmap& photo, ImageSize photoSize,
                                                       ImageSize size, std::uint8_t* full);

// Three times each pixel's blue byte: 0..765.
LumaImage makeLuma(std::span<const std::uint8_t> rgb, ImageSize size);

// (width / 2) x (height / 2): each value the integer mean of a 2 x 2 block.
LumaImage downsample2x2(const LumaImage& src, ImageSize srcSize);

// Writes ((w + 1) / 2) x ((h + 1) / 2) into dst; an odd last column or row averages the pixels
// it has, an odd corner copies its one pixel.
void halvePlane(const std::int16_t* src, ImageSize srcSize, std::int16_t* dst, ImageSize dstSize);

// Inverse of halvePlane: writes dstSize (the size halvePlane came from) from the coarser src,
// interpolating odd columns, then odd rows; an even last column or row repeats its neighbour.
void expandPlane(const std::int16_t* src, ImageSize srcSize, std::int16_t* dst, ImageSize dstSize);

}  // namespace skylacer
