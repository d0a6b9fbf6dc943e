// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/decoded_photos.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace skylacer {

DecodedPhotos::Lent::Lent(DecodedPhotos& owner, UnfilledRgbImage pixels)
    : owner_(&owner), pixels_(std::move(pixels)) {}

DecodedPhotos::Lent::Lent(Lent&& other) noexcept
    : owner_(std::exchange(other.owner_, nullptr)), pixels_(std::move(other.pixels_)) {}

DecodedPhotos::Lent& DecodedPhotos::Lent::operator=(Lent&& other) noexcept {
  if (this != &other) {
    if (owner_ != nullptr) owner_->giveBack(std::move(pixels_));
    owner_ = std::exchange(other.owner_, nullptr);
    pixels_ = std::move(other.pixels_);
  }
  return *this;
}

DecodedPhotos::Lent::~Lent() {
  if (owner_ != nullptr) owner_->giveBack(std::move(pixels_));
}

DecodedPhotos::DecodedPhotos(std::size_t count, ImageSize photoSize, bool fullCircle,
                             std::uint64_t lendingReserve)
    : photoSize_(photoSize),
      fullCircle_(fullCircle),
      reserveWidths_(
          static_cast<double>(lendingReserve) /
          static_cast<double>(std::max<std::size_t>(checkedElementCount(photoSize, 3), 1))),
      kept_(count) {}

std::size_t DecodedPhotos::allowance() const {
  return static_cast<std::size_t>(std::floor(panoramaWidths_)) + 3;
}

std::size_t DecodedPhotos::lendingAllowance() const {
  return static_cast<std::size_t>(std::floor(panoramaWidths_ + reserveWidths_)) + 3;
}

std::size_t DecodedPhotos::composable() const {
  // The composition holds the kept photographs, its canvas and, for a full circle, the closing
  // canvas; the buffers it reads the other photographs into are those the kept ones leave.
  return allowance() - 1 - (fullCircle_ ? 1 : 0);
}

bool DecodedPhotos::hasRoom() const {
  return !spares_.empty() || keptCount_ + lentCount_ + spares_.size() < lendingAllowance();
}

std::optional<DecodedPhotos::Lent> DecodedPhotos::lendIfRoom(std::size_t photo) {
  std::unique_lock lock(mutex_);
  if (photo > firstNotKept_) return std::nullopt;
  if (!hasRoom()) {
    // Decoded without a buffer of its own, it is decoded again by the composition, and so is
    // every photograph after it; waiting instead would leave a core idle.
    firstNotKept_ = std::min(firstNotKept_, photo);
    return std::nullopt;
  }
  return lendUnderLock(lock);
}

DecodedPhotos::Lent DecodedPhotos::lend() {
  std::unique_lock lock(mutex_);
  // Without room, the loading waits for a photograph being decoded: kept, it completes a pair
  // that widens the panorama; turned away, its buffer comes back. Giving up a kept photograph
  // instead would cost a second decode of it and of every one after it.
  returned_.wait(lock, [this] { return hasRoom(); });
  return lendUnderLock(lock);
}

DecodedPhotos::Lent DecodedPhotos::lendUnderLock(std::unique_lock<std::mutex>& lock) {
  ++lentCount_;
  if (!spares_.empty()) {
    UnfilledRgbImage pixels = std::move(spares_.back());
    spares_.pop_back();
    return Lent(*this, std::move(pixels));
  }
  lock.unlock();
  try {
    return Lent(*this, makeUnfilledRgbImage(photoSize_));
  } catch (...) {
    giveBack({});
    throw;
  }
}

void DecodedPhotos::keep(std::size_t photo, Lent lent) {
  const std::lock_guard lock(mutex_);
  if (!kept_[photo].empty()) return;
  // Only photographs before any not kept, so that the composition paints the kept ones first:
  // one kept further on would hold its memory while the panorama fills.
  if (photo > firstNotKept_ || keptCount_ + 1 > composable()) {
    firstNotKept_ = std::min(firstNotKept_, photo);
    return;  // the buffer is given back by `lent`
  }
  kept_[photo] = std::move(lent.pixels_);
  lent.owner_ = nullptr;
  --lentCount_;
  ++keptCount_;
}

void DecodedPhotos::widen(double photoWidths) {
  {
    const std::lock_guard lock(mutex_);
    panoramaWidths_ += photoWidths;
  }
  returned_.notify_all();
}

void DecodedPhotos::fitPanorama(double photoWidths) {
  const std::lock_guard lock(mutex_);
  panoramaWidths_ = photoWidths;
  for (std::size_t photo = kept_.size(); photo-- > 0 && keptCount_ > composable();) {
    if (kept_[photo].empty()) continue;
    kept_[photo] = UnfilledRgbImage();
    --keptCount_;
  }
}

bool DecodedPhotos::holds(std::size_t photo) const {
  const std::lock_guard lock(mutex_);
  return !kept_[photo].empty();
}

UnfilledRgbImage DecodedPhotos::take(std::size_t photo) {
  const std::lock_guard lock(mutex_);
  UnfilledRgbImage pixels = std::move(kept_[photo]);
  kept_[photo] = UnfilledRgbImage();
  if (!pixels.empty()) --keptCount_;
  return pixels;
}

void DecodedPhotos::dropSpares() {
  const std::lock_guard lock(mutex_);
  spares_.clear();
}

void DecodedPhotos::giveBack(UnfilledRgbImage pixels) {
  {
    const std::lock_guard lock(mutex_);
    --lentCount_;
    if (!pixels.empty()) spares_.push_back(std::move(pixels));
  }
  returned_.notify_all();
}

}  // namespace skylacer
