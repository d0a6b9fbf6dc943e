// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/tile_upload.h"

#include <algorithm>
#include <cstring>

#include "viewer/platform/scene.h"

namespace skylacer::viewer {
namespace {

// The textures are made this many rows at a time (at most).
constexpr int kTextureBandRows = 32;

}  // namespace

std::unique_ptr<TileUpload> TileUpload::start(std::unique_ptr<JpegRows> picture, double fieldOfView,
                                              platform::Scene& scene) {
  std::unique_ptr<TileUpload> upload(new TileUpload(std::move(picture), scene));
  CPanViewer& tiles = upload->tiles_;
  if (tiles.setPictureSize(upload->width(), upload->height(), fieldOfView) == 0) return nullptr;
  const int size = tiles.tileSize();
  upload->bandRows_ = std::min(size, kTextureBandRows);
  upload->stride_ = 3 * static_cast<std::ptrdiff_t>(upload->width());
  upload->window_.resize(static_cast<std::size_t>(upload->stride_) *
                         static_cast<std::size_t>(upload->bandRows_));
  upload->bandTexels_.resize(std::size_t{3} * static_cast<std::size_t>(size) *
                             static_cast<std::size_t>(upload->bandRows_));
  upload->tileRow_ = tiles.tilesDown() - 1;
  std::vector<platform::TexturedQuad> quads;
  quads.reserve(static_cast<std::size_t>(tiles.tileCount()));
  for (int tile = 0; tile < tiles.tileCount(); ++tile) quads.push_back(tiles.tileQuad(tile));
  upload->failure_ = scene.beginQuads(size, tiles.tilesAcross(), quads);
  return upload;
}

TileUpload::TileUpload(std::unique_ptr<JpegRows> picture, platform::Scene& scene)
    : picture_(std::move(picture)), scene_(scene) {}

TileUpload::Progress TileUpload::step(Clock::time_point until) {
  Progress progress =
      failure_ == platform::kRenderOk ? Progress::Working : Progress::TexturesFailed;
  do {
    if (progress == Progress::Working) progress = band();
  } while (progress == Progress::Working && Clock::now() < until);
  return progress;
}

TileUpload::Progress TileUpload::band() {
  const int size = tiles_.tileSize();
  const int count = std::min(bandRows_, size - bandFirst_);
  const auto [first, last] = tiles_.bandSpan(tileRow_, bandFirst_, count);
  if (!holdRows(first, last)) return Progress::Damaged;
  const int firstTile = tileRow_ * tiles_.tilesAcross();
  for (int column = 0; column < tiles_.tilesAcross(); ++column) {
    tiles_.makeTileRows(firstTile + column, bandFirst_, count, bandTexels_);
    failure_ = scene_.setQuadRows(static_cast<std::size_t>(firstTile + column), bandFirst_, count,
                                  bandTexels_);
    if (failure_ != platform::kRenderOk) return Progress::TexturesFailed;
  }
  bandFirst_ += count;
  if (bandFirst_ < size) return Progress::Working;
  bandFirst_ = 0;
  if (--tileRow_ >= 0) return Progress::Working;
  tiles_.releasePicture();
  // The picture's last row shows in no tile, but a picture whose data end early is not shown.
  return readUpTo(height()) ? Progress::Done : Progress::Damaged;
}

bool TileUpload::readUpTo(int row) {
  while (picture_->rowsRead() < row) {
    windowFirst_ = picture_->rowsRead();
    if (!picture_->read(window_.data(), stride_, std::min(bandRows_, row - windowFirst_)))
      return false;
  }
  return true;
}

bool TileUpload::holdRows(int first, int last) {
  if (!readUpTo(first)) return false;
  const int held = picture_->rowsRead() - first;
  std::memmove(window_.data(), window_.data() + (first - windowFirst_) * stride_,
               static_cast<std::size_t>(held * stride_));
  windowFirst_ = first;
  const int fresh = last + 1 - picture_->rowsRead();
  if (fresh > 0 && !picture_->read(window_.data() + held * stride_, stride_, fresh)) return false;
  tiles_.holdRows(
      {window_.data(), static_cast<int>(stride_), width(), picture_->rowsRead() - first, first});
  return true;
}

}  // namespace skylacer::viewer
