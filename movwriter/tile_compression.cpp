// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/tile_compression.h"

#include <algorithm>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>

#include "movwriter/toolbox/cinepak_compressor.h"
#include "movwriter/toolbox/offscreen.h"

namespace skylacer::movwriter {

namespace {

// The workers' slots, each a picture to draw a tile into and a compressor for it. A slot is
// taken for one tile and given back when its compression ends; after a failed compression no
// slot is handed out any more.
class Slots {
 public:
  explicit Slots(int count) {
    for (int slot = count - 1; slot >= 0; --slot) free_.push_back(slot);
  }

  // A free slot, once there is one; nothing after a failure.
  std::optional<int> take() {
    std::unique_lock lock(mutex_);
    given_.wait(lock, [this] { return failed_ || !free_.empty(); });
    if (failed_) return std::nullopt;
    const int slot = free_.back();
    free_.pop_back();
    return slot;
  }

  void giveBack(int slot, bool failed) {
    {
      const std::lock_guard lock(mutex_);
      free_.push_back(slot);
      failed_ = failed_ || failed;
    }
    given_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable given_;
  std::vector<int> free_;
  bool failed_ = false;
};

}  // namespace

TileFrames compressTiles(toolbox::GraphicsImporter& importer, const toolbox::CodecLibrary& codecs,
                         PanoramaGeometry geometry, int workers, const BeforeTile& beforeTile) {
  const int width = int(geometry.tileWidth);
  const int tileHeight = int(geometry.tileHeight);
  const int slotCount = std::clamp(workers, 1, kTileCount);
  std::vector<toolbox::Offscreen> pictures;
  std::vector<std::unique_ptr<toolbox::CinepakCompressor>> compressors;
  for (int slot = 0; slot < slotCount; ++slot) {
    pictures.emplace_back(width, tileHeight);
    compressors.push_back(std::make_unique<toolbox::CinepakCompressor>(codecs, width, tileHeight,
                                                                       toolbox::kCodecHighQuality));
  }
  TileFrames tiles{std::vector<CompressedTile>(kTileCount), compressors[0]->imageDescription()};
  Slots slots(slotCount);
  // Declared after everything the compressions use: however the function is left, the futures
  // of std::async wait here for the compressions in hand before those go.
  std::vector<std::future<void>> compressions;
  for (int k = 0; k < kTileCount; ++k) {
    const std::optional<int> taken = slots.take();
    if (!taken) break;
    beforeTile(k);
    importer.draw(pictures[std::size_t(*taken)], 0, -k * tileHeight);
    compressions.push_back(std::async(std::launch::async, [&, k, slot = std::size_t(*taken)] {
      try {
        tiles.frames[std::size_t(k)] = compressors[slot]->compress(pictures[slot]);
      } catch (...) {
        slots.giveBack(int(slot), true);
        throw;
      }
      slots.giveBack(int(slot), false);
    }));
  }
  for (std::future<void>& compression : compressions) compression.get();
  return tiles;
}

}  // namespace skylacer::movwriter
