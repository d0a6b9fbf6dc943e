// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/buffers.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <chrono>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <thread>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/scaling.h"

namespace skylacer {

using imaging::ImagingStatus;

std::size_t checkedElementCount(ImageSize size, std::size_t channels) {
  if (size.width < 0 || size.height < 0) throw std::bad_alloc();
  const auto width = static_cast<std::size_t>(size.width);
  const auto height = static_cast<std::size_t>(size.height);
  constexpr auto limit = std::numeric_limits<std::ptrdiff_t>::max();
  if (width != 0 && height > limit / width) throw std::bad_alloc();
  if (channels != 0 && width * height > limit / channels) throw std::bad_alloc();
  return width * height * channels;
}

RgbImage makeRgbImage(ImageSize size) {
  return RgbImage(checkedElementCount(size, 3), 0);
}

UnfilledRgbImage makeUnfilledRgbImage(ImageSize size) {
  return UnfilledRgbImage(checkedElementCount(size, 3));
}

void returnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

namespace {

// The imaging layer may answer "object busy" while another user holds the pixels; a few short
// waits are enough, after which the caller's-buffer read is used instead.
constexpr int kBusyRetries = 10;
constexpr auto kBusyWait = std::chrono::milliseconds(20);

bool copyLockedRows(imaging::Bitmap& bitmap, std::uint8_t* dst, std::size_t rowBytes) {
  imaging::LockedRows locked;
  ImagingStatus status = bitmap.lockRows(locked);
  for (int attempt = 0; status == ImagingStatus::ObjectBusy && attempt < kBusyRetries; ++attempt) {
    std::this_thread::sleep_for(kBusyWait);
    status = bitmap.lockRows(locked);
  }
  if (status != ImagingStatus::Ok) return false;
  for (int y = 0; y < locked.height; ++y)
    std::memcpy(dst + rowBytes * static_cast<std::size_t>(y),
                locked.rows + static_cast<std::ptrdiff_t>(locked.stride) * y, rowBytes);
  bitmap.unlockRows();
  return true;
}

}  // namespace

void requireDecoded(const imaging::Bitmap& photo) {
  if (photo.lastStatus() == ImagingStatus::Ok) return;
  if (photo.lastStatus() == ImagingStatus::OutOfMemory) throw std::bad_alloc();
  throw PhotoUnreadable(photo);
}

RgbImage imageToRgb(imaging::Bitmap& bitmap, ImageSize size, bool release) {
  RgbImage rgb = makeRgbImage(size);
  if (size.width == 0 || size.height == 0) return rgb;
  const bool released = release && bitmap.width() == size.width && bitmap.height() == size.height;
  // Locked rows stay decoded in the bitmap: only a copy that releases the bitmap takes them,
  // so that reading every photograph for the alignment keeps none of them decoded.
  if (released && copyLockedRows(bitmap, rgb.data(), std::size_t{3} * size.width))
    requireDecoded(bitmap);
  else
    readPhotoPixels(bitmap, rgb.data(), size);
  if (released) bitmap.release();
  return rgb;
}

void readPhotoPixels(imaging::Bitmap& photo, std::uint8_t* pixels, ImageSize size) {
  const int stride = 3 * size.width;
  if (photo.width() == size.width && photo.height() == size.height)
    photo.readPixels(pixels, stride);
  else
    photo.readScaled(pixels, size.width, size.height, stride);
  requireDecoded(photo);
}

namespace {

// The rows of a photograph as it decodes: into the full-size buffer when there is one, else
// into a few rows' room; each group reduced to the working copy at once.
class ReducedRows final : public imaging::RowSink {
 public:
  // As many rows as the decoder hands over at once.
  static constexpr int kRoomRows = 16;

  ReducedRows(std::uint8_t* full, ImageSize photoSize, imaging::BlockMeans& means)
      : full_(full), photoSize_(photoSize), means_(means) {
    if (full_ == nullptr) room_ = makeUnfilledRgbImage({photoSize.width, kRoomRows});
  }
  imaging::Plane roomFrom(int first) override {
    if (full_ != nullptr)
      return {full_ + stride() * first, stride(), photoSize_.width, photoSize_.height - first};
    return {room_.data(), stride(), photoSize_.width, kRoomRows};
  }
  void filled(int first, int count) override {
    const std::uint8_t* rows = full_ != nullptr ? full_ + stride() * first : room_.data();
    for (int i = 0; i < count; ++i) means_.add(rows + stride() * i);
  }

 private:
  std::ptrdiff_t stride() const { return 3 * std::ptrdiff_t{photoSize_.width}; }

  std::uint8_t* full_;
  ImageSize photoSize_;
  imaging::BlockMeans& means_;
  UnfilledRgbImage room_;
};

}  // namespace

std::optional<UnfilledRgbImage> workingColoursFromRows(imaging::Bitmap& photo, ImageSize photoSize,
                                                       ImageSize size, std::uint8_t* full) {
  if (!imaging::BlockMeans::reduces(photoSize.width, photoSize.height, size.width, size.height) ||
      photo.width() != photoSize.width || photo.height() != photoSize.height)
    return std::nullopt;
  UnfilledRgbImage colours = makeUnfilledRgbImage(size);
  imaging::BlockMeans means(
      {colours.data(), 3 * std::ptrdiff_t{size.width}, size.width, size.height},
      photoSize.width / size.width);
  ReducedRows rows(full, photoSize, means);
  if (photo.readRows(rows) == ImagingStatus::NotImplemented) return std::nullopt;
  requireDecoded(photo);
  return colours;
}

UnfilledRgbImage workingColours(std::span<const std::uint8_t> photo, ImageSize photoSize,
                                ImageSize size) {
  UnfilledRgbImage colours = makeUnfilledRgbImage(size);
  if (colours.empty()) return colours;
  imaging::drawOrientedScaled(
      {photo.data(), 3 * std::ptrdiff_t{photoSize.width}, photoSize.width, photoSize.height},
      imaging::Orientation(),
      {colours.data(), 3 * std::ptrdiff_t{size.width}, size.width, size.height},
      {0, 0, size.width, size.height});
  return colours;
}

LumaImage makeLuma(std::span<const std::uint8_t> rgb, ImageSize size) {
  LumaImage luma(checkedElementCount(size, 1));
  const std::uint8_t* blue = rgb.data();
  for (auto& value : luma) {
    value = static_cast<std::int16_t>(3 * *blue);
    blue += 3;
  }
  return luma;
}

LumaImage downsample2x2(const LumaImage& src, ImageSize srcSize) {
  const ImageSize dstSize{srcSize.width / 2, srcSize.height / 2};
  LumaImage dst(checkedElementCount(dstSize, 1));
  const auto srcWidth = static_cast<std::size_t>(srcSize.width);
  for (int y = 0; y < dstSize.height; ++y) {
    const std::int16_t* top = src.data() + srcWidth * static_cast<std::size_t>(2 * y);
    const std::int16_t* bottom = top + srcWidth;
    std::int16_t* out = dst.data() + static_cast<std::size_t>(dstSize.width) * y;
    for (int x = 0; x < dstSize.width; ++x)
      out[x] = static_cast<std::int16_t>(
          (top[2 * x] + top[2 * x + 1] + bottom[2 * x] + bottom[2 * x + 1]) / 4);
  }
  return dst;
}

void halvePlane(const std::int16_t* src, ImageSize srcSize, std::int16_t* dst, ImageSize dstSize) {
  const int srcWidth = srcSize.width;
  const int fullColumns = srcSize.width / 2;
  const int fullRows = srcSize.height / 2;
  auto at = [&](int x, int y) -> int { return src[static_cast<std::ptrdiff_t>(y) * srcWidth + x]; };
  for (int y = 0; y < dstSize.height; ++y) {
    std::int16_t* out = dst + static_cast<std::ptrdiff_t>(y) * dstSize.width;
    const bool fullRow = y < fullRows;
    for (int x = 0; x < dstSize.width; ++x) {
      const bool fullColumn = x < fullColumns;
      int value;
      if (fullRow && fullColumn)
        value = (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                 at(2 * x + 1, 2 * y + 1)) /
                4;
      else if (fullRow)
        value = (at(2 * x, 2 * y) + at(2 * x, 2 * y + 1)) / 2;
      else if (fullColumn)
        value = (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y)) / 2;
      else
        value = at(2 * x, 2 * y);
      out[x] = static_cast<std::int16_t>(value);
    }
  }
}

void expandPlane(const std::int16_t* src, ImageSize srcSize, std::int16_t* dst, ImageSize dstSize) {
  const int width = dstSize.width;
  const int height = dstSize.height;
  auto at = [&](int x, int y) -> std::int16_t& {
    return dst[static_cast<std::ptrdiff_t>(y) * width + x];
  };
  for (int y = 0; y < srcSize.height && 2 * y < height; ++y)
    for (int x = 0; x < srcSize.width && 2 * x < width; ++x)
      at(2 * x, 2 * y) = src[static_cast<std::ptrdiff_t>(y) * srcSize.width + x];
  for (int y = 0; y < height; y += 2) {
    for (int x = 1; x < width - 1; x += 2)
      at(x, y) = static_cast<std::int16_t>((at(x - 1, y) + at(x + 1, y)) / 2);
    if (width % 2 == 0 && width >= 2) at(width - 1, y) = at(width - 2, y);
  }
  for (int y = 1; y < height - 1; y += 2)
    for (int x = 0; x < width; ++x)
      at(x, y) = static_cast<std::int16_t>((at(x, y - 1) + at(x, y + 1)) / 2);
  if (height % 2 == 0 && height >= 2)
    for (int x = 0; x < width; ++x) at(x, height - 1) = at(x, height - 2);
}

}  // namespace skylacer
