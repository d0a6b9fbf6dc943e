// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A picture's tiles made and handed to the scene as the picture decodes, from the top tile row
// down and each tile row's textures a band of their rows at a time, a time slice at a time: a
// large picture's tiles are made between the main loop's frames and events, the window staying
// alive. The tiles go to the scene's new set of quads, which the caller shows once they are
// all made.

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "viewer/jpeg_rows.h"
#include "viewer/pan_viewer.h"
#include "viewer/platform/render_errors.h"

namespace skylacer::viewer {

namespace platform {
class Scene;
}  // namespace platform

class TileUpload {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Progress {
    Working,         // more bands to come
    Done,            // every tile made, and the picture's data end as they should
    Damaged,         // the picture's data are damaged or end too early
    TexturesFailed,  // the scene could not take the textures (failure())
  };

  // Starts the new set of quads in `scene` (whose context must be current then and at every
  // step); the model lays the picture out as CPanViewer does. Empty when the picture cannot be
  // mapped (too narrow or too low). `scene` must outlive the upload.
  static std::unique_ptr<TileUpload> start(std::unique_ptr<JpegRows> picture, double fieldOfView,
                                           platform::Scene& scene);

  // Makes bands until `until` has passed (at least one band) or the tiles are all made. Not
  // called again once it returned anything but Working.
  Progress step(Clock::time_point until);

  int width() const { return picture_->width(); }
  int height() const { return picture_->height(); }
  // The OpenGL status after TexturesFailed.
  platform::RenderStatus failure() const { return failure_; }

 private:
  TileUpload(std::unique_ptr<JpegRows> picture, platform::Scene& scene);
  // Makes the next band of the tile row in hand.
  Progress band();
  // Decodes the picture up to (not including) `row`, through the window.
  bool readUpTo(int row);
  // Holds picture rows first .. last in the window for the model.
  bool holdRows(int first, int last);

  std::unique_ptr<JpegRows> picture_;
  platform::Scene& scene_;
  CPanViewer tiles_;
  int bandRows_ = 0;
  std::ptrdiff_t stride_ = 0;
  // The picture rows a band reads: a window that moves down the picture, keeping the rows a
  // band shares with the one before (a tile row shares 10 with the row above it).
  std::vector<std::uint8_t> window_;
  int windowFirst_ = 0;
  std::vector<std::uint8_t> bandTexels_;
  int tileRow_ = 0;  // the tile row in hand, counted from the bottom; -1 when all are made
  int bandFirst_ = 0;
  platform::RenderStatus failure_ = platform::kRenderOk;
};

}  // namespace skylacer::viewer
