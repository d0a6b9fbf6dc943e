// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Photographs decoded at full size while a series loads and kept until the composition paints
// them, so that a photograph is decoded once instead of once for the alignment and once more for
// the composition. The stitch's memory stays within its bound (the panorama, three full-size
// photographs and a margin): until the panorama exists its bytes may hold photographs instead,
// and the composition frees each kept photograph as it paints it, more than the panorama columns
// it fills. The panorama's width is known only once the series is aligned, so the number kept
// follows a lower bound of it that grows as the pairs are estimated.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/buffers.h"

namespace skylacer {

class DecodedPhotos {
 public:
  // A full-size buffer lent for decoding one photograph; given back when it goes, unless kept.
  class Lent {
   public:
    Lent() = default;
    Lent(Lent&& other) noexcept;
    Lent& operator=(Lent&& other) noexcept;
    ~Lent();
    UnfilledRgbImage& pixels() { return pixels_; }

   private:
    friend class DecodedPhotos;
    Lent(DecodedPhotos& owner, UnfilledRgbImage pixels);
    DecodedPhotos* owner_ = nullptr;
    UnfilledRgbImage pixels_;
  };

  // For `count` photographs of `photoSize`. A full circle's composition keeps one full-size
  // canvas more (photograph 0's closing copy), so one photograph fewer is kept for it. Lending
  // may also use `lendingReserve` bytes of the bound's margin: while one photograph is decoded
  // and the pairs it completes are still to come, the lower bound lags the panorama by their
  // turn, and the next photograph would otherwise find no room and be decoded twice.
  DecodedPhotos(std::size_t count, ImageSize photoSize, bool fullCircle,
                std::uint64_t lendingReserve);
  DecodedPhotos(const DecodedPhotos&) = delete;
  DecodedPhotos& operator=(const DecodedPhotos&) = delete;

  // Lends a buffer given back before, or a new one while the photographs kept and the buffers
  // lent or given back leave room for one more full-size photograph beside the panorama's lower
  // bound and the lending reserve; without room, waits until a buffer lent is kept or given back,
  // or the bound widens. Any thread.
  Lent lend();
  // A buffer as lend() gives it, for photograph `photo` to be decoded into and perhaps kept, or
  // nothing, without waiting: for a photograph after one turned away, and for one the room is
  // short for, which is then turned away itself. Any thread.
  std::optional<Lent> lendIfRoom(std::size_t photo);
  // Keeps photograph `photo`'s pixels, decoded into `lent`, when the composition can hold one
  // more kept photograph beside the panorama's lower bound and no photograph before it was
  // turned away; otherwise the buffer goes back. Any thread.
  void keep(std::size_t photo, Lent lent);
  // The panorama is `photoWidths` photograph widths wider than known before. Any thread.
  void widen(double photoWidths);
  // The panorama is exactly `photoWidths` photograph widths wide: kept photographs beyond what
  // the composition can hold beside it are freed, the last ones first.
  void fitPanorama(double photoWidths);
  // Frees the buffers given back, once nothing more is decoded into them.
  void dropSpares();

  // Whether photograph `photo` is kept; its pixels until taken. For one thread at a time.
  bool holds(std::size_t photo) const;
  const UnfilledRgbImage& pixels(std::size_t photo) const { return kept_[photo]; }
  // Takes photograph `photo`'s pixels out (empty when it was not kept).
  UnfilledRgbImage take(std::size_t photo);

 private:
  // Full-size photographs that fit beside the panorama's lower bound, with the three the bound
  // allows besides.
  std::size_t allowance() const;
  // The same with the lending reserve: buffers kept, lent and given back stay within it.
  std::size_t lendingAllowance() const;
  // Kept photographs the composition can hold beside the panorama.
  std::size_t composable() const;
  // Whether a buffer can be lent now: one given back, or room for a new one. Under the lock.
  bool hasRoom() const;
  // Lends a buffer, there being room; `lock` holds the mutex and may be let go.
  Lent lendUnderLock(std::unique_lock<std::mutex>& lock);
  void giveBack(UnfilledRgbImage pixels);

  ImageSize photoSize_;
  bool fullCircle_;
  double reserveWidths_;  // the lending reserve in photographs
  mutable std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<UnfilledRgbImage> kept_;
  // Buffers given back, which new photographs are decoded into without the cost of new memory.
  std::vector<UnfilledRgbImage> spares_;
  std::size_t keptCount_ = 0;
  std::size_t lentCount_ = 0;
  double panoramaWidths_ = 1;  // the panorama is at least one photograph wide
  std::size_t firstNotKept_ = static_cast<std::size_t>(-1);
};

}  // namespace skylacer
