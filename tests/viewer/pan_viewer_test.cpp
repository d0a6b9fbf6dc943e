// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/pan_viewer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

namespace skylacer::viewer {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A picture whose pixels say where they are: blue = x mod 256, green = y mod 256,
// red = x div 256 + 16 × (y div 256).
struct CodedPicture {
  int width;
  int height;
  std::vector<std::uint8_t> bytes;

  CodedPicture(int w, int h) : width(w), height(h), bytes(std::size_t{3} * w * h) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = bytes.data() + 3 * (std::size_t(y) * w + x);
        p[0] = static_cast<std::uint8_t>(x % 256);
        p[1] = static_cast<std::uint8_t>(y % 256);
        p[2] = static_cast<std::uint8_t>(x / 256 + 16 * (y / 256));
      }
  }
  PictureRows rows() const { return {bytes.data(), 3 * width, width, height}; }
};

struct PictureColumnRow {
  int column;
  int row;
};

PictureColumnRow decode(const std::uint8_t* texel) {
  return {texel[0] + 256 * (texel[2] % 16), texel[1] + 256 * (texel[2] / 16)};
}

// A model holding a picture of the given size (coded pixels, or no pixels when only the
// geometry matters) in an 800 × 400 viewport.
struct Panorama {
  CodedPicture picture;
  CPanViewer model;

  Panorama(int width, int height, double fov) : picture(width, height) {
    model.setViewport(800, 400);
    model.setPicture(picture.rows(), fov);
  }
};

// Brings the field to its limit (the first frame does that), then to the smallest field.
void zoomAllTheWayIn(CPanViewer& model) {
  model.camera();
  model.zoom(-1000000);
}

struct TileGrid {
  int width;
  int tileSize;
};

class TileSizeTest : public testing::TestWithParam<TileGrid> {};

TEST_P(TileSizeTest, IsTheSmallestPowerOfTwoKeepingFortyTilesARowUpTo512) {
  const CodedPicture picture(GetParam().width, 12);
  CPanViewer model;
  ASSERT_GT(model.setPicture(picture.rows(), std::numbers::pi), 0);
  EXPECT_EQ(model.tileSize(), GetParam().tileSize);
}

INSTANTIATE_TEST_SUITE_P(Widths, TileSizeTest,
                         testing::Values(TileGrid{11, 32}, TileGrid{1280, 32}, TileGrid{1281, 64},
                                         TileGrid{2560, 64}, TileGrid{2561, 128},
                                         TileGrid{4000, 128}, TileGrid{20480, 512},
                                         TileGrid{20481, 512}, TileGrid{100000, 512}));

TEST(PanViewerTiles, GridOverlapsByTenPixels) {
  const Panorama panorama(4000, 800, kTwoPi);
  EXPECT_EQ(panorama.model.tileSize(), 128);
  EXPECT_EQ(panorama.model.tilesAcross(), 34);  // 3989 div 118 + 1
  EXPECT_EQ(panorama.model.tilesDown(), 7);     // 789 div 118 + 1
  EXPECT_EQ(panorama.model.tileCount(), 238);
}

TEST(PanViewerTiles, PicturesThatCannotBeMappedGiveNoTiles) {
  const CodedPicture narrow(10, 100);
  const CodedPicture flat(100, 1);
  const CodedPicture usable(11, 2);
  CPanViewer model;
  EXPECT_EQ(model.setPicture(narrow.rows(), kTwoPi), 0);
  EXPECT_EQ(model.setPicture(flat.rows(), kTwoPi), 0);
  for (double fov : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(fov);
    EXPECT_EQ(model.setPicture(usable.rows(), fov), 0);
  }
  EXPECT_EQ(model.tileCount(), 0);
  EXPECT_EQ(model.setPicture(usable.rows(), kTwoPi), 1);
}

// A whole tile, made in one band.
void makeTile(const CPanViewer& model, int index, std::span<std::uint8_t> texture, TileQuad& quad) {
  model.makeTileRows(index, 0, model.tileSize(), texture);
  quad = model.tileQuad(index);
}

// Every texel of tile `index` against the rule: texture row y shows picture row
// H - T - c - 1 + y (rows above the picture repeat row 0), texture column x picture column
// b + x, wrapping to the picture's left edge.
void expectTileCopy(const Panorama& panorama, int index) {
  SCOPED_TRACE(testing::Message() << "tile " << index);
  const CPanViewer& model = panorama.model;
  const int T = model.tileSize();
  const int W = panorama.picture.width;
  const int H = panorama.picture.height;
  const int b = (T - 10) * (index % model.tilesAcross());
  const int c = (T - 10) * (index / model.tilesAcross());
  std::vector<std::uint8_t> texture(std::size_t{3} * T * T, 0xAB);
  TileQuad quad;
  makeTile(model, index, texture, quad);
  int mismatches = 0;
  for (int y = 0; y < T; ++y)
    for (int x = 0; x < T; ++x) {
      const int expectedRow = std::max(0, H - T - c - 1 + y);
      const int expectedColumn = b + x < W ? b + x : (b + x - W) % W;
      const PictureColumnRow got = decode(&texture[3 * (std::size_t(y) * T + x)]);
      if ((got.column != expectedColumn || got.row != expectedRow) && ++mismatches <= 3)
        ADD_FAILURE() << "texel (" << x << ", " << y << ") shows picture (" << got.column << ", "
                      << got.row << "), expected (" << expectedColumn << ", " << expectedRow << ")";
    }
  EXPECT_EQ(mismatches, 0);
}

TEST(PanViewerTiles, TexturesCopyTheirPictureRegionBottomUp) {
  const Panorama panorama(300, 200, kTwoPi);  // T = 32: 14 × 9 tiles
  ASSERT_EQ(panorama.model.tileSize(), 32);
  const int across = panorama.model.tilesAcross();
  for (int index : {0, 1, across + 2, across - 1, panorama.model.tileCount() - 1,
                    panorama.model.tileCount() - across})
    expectTileCopy(panorama, index);
}

TEST(PanViewerTiles, NarrowPicturesWrapTheirColumnsModuloTheWidth) {
  const Panorama twelve(12, 40, kTwoPi);  // one tile of 32 columns holds the picture 2.67 times
  ASSERT_EQ(twelve.model.tilesAcross(), 1);
  for (int index = 0; index < twelve.model.tileCount(); ++index) expectTileCopy(twelve, index);
  const Panorama fifteen(15, 12, kTwoPi);
  expectTileCopy(fifteen, 0);
}

TEST(PanViewerTiles, APartialPanoramasLastTilesAreBlackPastItsEnd) {
  const Panorama panorama(300, 200, std::numbers::pi);
  const int T = panorama.model.tileSize();
  const int last = panorama.model.tilesAcross() - 1;
  const int w = 300 - 22 * last;
  std::vector<std::uint8_t> texture(std::size_t{3} * T * T, 0xAB);
  TileQuad quad;
  makeTile(panorama.model, last, texture, quad);
  for (int y = 0; y < T; ++y) {
    SCOPED_TRACE(y);
    const std::uint8_t* row = &texture[3 * std::size_t(y) * T];
    EXPECT_EQ(decode(row + 3 * (w - 1)).column, 299);
    EXPECT_EQ(std::count(row + 3 * w, row + 3 * T, 0), 3 * (T - w));
  }
}

TEST(PanViewerTiles, QuadsSpanTheirTileOnTheCylinder) {
  const Panorama panorama(4000, 800, std::numbers::pi);
  const int T = 128;
  const double fov = std::numbers::pi;
  const TileQuad quad = panorama.model.tileQuad(panorama.model.tilesAcross() + 1);  // b = c = 118
  const double thetaLeft = 118 * fov / 3990;
  const double thetaRight = (118 + T - 5) * fov / 3990;
  const double z0 = (118 - 400) * fov / 4000;
  const double z1 = (118 - 400 + T - 5) * fov / 4000;
  const float s = 2.5f / T;
  const double corners[4][3] = {
      {thetaLeft, z0, 0}, {thetaRight, z0, 0}, {thetaRight, z1, 0}, {thetaLeft, z1, 0}};
  const float textureCorners[4][2] = {{s, 1 - s}, {1 - s, 1 - s}, {1 - s, s}, {s, s}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(quad[i].x, std::cos(corners[i][0]), 1e-6);
    EXPECT_NEAR(quad[i].y, std::sin(corners[i][0]), 1e-6);
    EXPECT_NEAR(quad[i].z, corners[i][1], 1e-6);
    EXPECT_FLOAT_EQ(quad[i].u, textureCorners[i][0]);
    EXPECT_FLOAT_EQ(quad[i].v, textureCorners[i][1]);
  }
}

// Angle of the quad's left and right edges (radians around the cylinder).
double angleOf(const platform::TexturedVertex& vertex) {
  double theta = std::atan2(vertex.y, vertex.x);
  return theta < 0 ? theta + kTwoPi : theta;
}

TEST(PanViewerTiles, NeighbouringTilesShowEachPictureColumnAndRowAtOnePlace) {
  // Along u a quad runs linearly from (s, θL) to (1 - s, θR); a picture column seen through
  // two neighbouring tiles must land at the same angle, a picture row at the same height.
  const Panorama panorama(1000, 300, std::numbers::pi);  // T = 32
  const CPanViewer& model = panorama.model;
  const int T = model.tileSize();
  const TileQuad left = model.tileQuad(0);
  const TileQuad right = model.tileQuad(1);
  const TileQuad upper = model.tileQuad(model.tilesAcross());
  const double s = 2.5 / T;
  auto angleAt = [&](const TileQuad& quad, int b, int column) {
    const double u = (column - b + 0.5) / T;
    return angleOf(quad[0]) + (u - s) / (1 - 2 * s) * (angleOf(quad[1]) - angleOf(quad[0]));
  };
  for (int column = 22; column < 32; ++column) {  // the overlap of tiles 0 and 1
    SCOPED_TRACE(column);
    EXPECT_NEAR(angleAt(left, 0, column), angleAt(right, 22, column), 1e-6);
  }
  // Texture row y of the tile starting at picture row c counted from the bottom.
  const int H = panorama.picture.height;
  auto heightAt = [&](const TileQuad& quad, int c, int pictureRow) {
    const double v = (pictureRow - (H - T - c - 1) + 0.5) / T;
    return quad[3].z + (v - s) / (1 - 2 * s) * (quad[0].z - quad[3].z);
  };
  for (int row = H - T - 1; row <= H - 22 - 2; ++row) {  // rows of both tiles
    SCOPED_TRACE(row);
    EXPECT_NEAR(heightAt(left, 0, row), heightAt(upper, 22, row), 1e-6);
  }
}

TEST(PanViewerTiles, AFullCircleIsClosedAndNeighboursOverlapByFivePixels) {
  const Panorama panorama(4000, 800, kTwoPi);
  const CPanViewer& model = panorama.model;
  TileQuad previous = model.tileQuad(0);
  for (int i = 1; i < model.tilesAcross(); ++i) {
    SCOPED_TRACE(i);
    const TileQuad quad = model.tileQuad(i);
    EXPECT_NEAR(angleOf(previous[1]) - angleOf(quad[0]), 5 * kTwoPi / 3990, 1e-5);
    previous = quad;
  }
  // The last tile reaches past 2π: no gap where the picture's ends meet.
  const double lastRight = (33 * 118 + 128 - 5) * kTwoPi / 3990;
  EXPECT_GT(lastRight, kTwoPi);
  EXPECT_NEAR(previous[1].x, std::cos(lastRight), 1e-6);
}

TEST(PanViewerCamera, StartsAtThePicturesLeftEdgeTurningAndBringsTheFieldToTheLimit) {
  Panorama panorama(4000, 800, kTwoPi);
  CPanViewer& model = panorama.model;
  EXPECT_DOUBLE_EQ(model.yaw(), 0.005);
  EXPECT_DOUBLE_EQ(model.pitch(), 0);
  EXPECT_DOUBLE_EQ(model.field(), 1e10);
  EXPECT_TRUE(model.autoRotation());
  EXPECT_TRUE(model.redraw());
  const platform::CameraFrame camera = model.camera();
  // h = 800 × 2π / 4000; the limit shows the cylinder's whole height: tan = h / 2.
  const double h = 800 * kTwoPi / 4000;
  EXPECT_DOUBLE_EQ(camera.field, h / 200 * 800.0 / 406);
  EXPECT_DOUBLE_EQ(model.pitchLimit(), std::atan(h / 2));
  // One step of the automatic turn.
  EXPECT_NEAR(model.yaw(), 0.005 + 0.002, 1e-9);
}

// A large panorama's full picture replaces its reduced first picture while the user looks on.
TEST(PanViewerCamera, AResizedPictureTakesItsNewGridAndKeepsTheCamera) {
  CPanViewer model;
  model.setViewport(800, 400);
  ASSERT_GT(model.setPictureSize(3000, 600, kTwoPi), 0);
  model.camera();
  model.drag(-30, 20);
  model.zoom(-5);
  model.setAutoRotation(false);
  model.camera();
  model.clearRedraw();
  const double yaw = model.yaw(), pitch = model.pitch(), field = model.field();

  EXPECT_EQ(model.resizePicture(5, 600), 0);
  EXPECT_EQ(model.tileSize(), 128);
  EXPECT_EQ(model.resizePicture(12000, 2400), 24 * 5);
  EXPECT_EQ(model.tileSize(), 512);
  EXPECT_DOUBLE_EQ(model.fieldOfView(), kTwoPi);
  EXPECT_TRUE(model.redraw());
  EXPECT_FALSE(model.autoRotation());
  EXPECT_DOUBLE_EQ(model.yaw(), yaw);
  EXPECT_DOUBLE_EQ(model.pitch(), pitch);
  EXPECT_DOUBLE_EQ(model.field(), field);
  // The same shape at four times the size: the same limits, so the next frame's camera too.
  const platform::CameraFrame camera = model.camera();
  EXPECT_DOUBLE_EQ(model.yaw(), yaw);
  EXPECT_DOUBLE_EQ(camera.field, field);
}

TEST(PanViewerCamera, FieldLimitOfATallViewportIsHalfTheHeightOver100) {
  Panorama panorama(4000, 800, kTwoPi);
  panorama.model.setViewport(300, 600);
  EXPECT_DOUBLE_EQ(panorama.model.fieldLimit(), 800 * kTwoPi / 4000 / 200);
}

TEST(PanViewerCamera, ZoomStopsAtTheFullHeightAndAtTheSmallestField) {
  Panorama panorama(4000, 800, kTwoPi);
  CPanViewer& model = panorama.model;
  zoomAllTheWayIn(model);
  EXPECT_DOUBLE_EQ(model.camera().field, 0.0001);
  model.zoom(1000000);
  EXPECT_DOUBLE_EQ(model.camera().field, model.fieldLimit());
  model.zoom(-10);
  EXPECT_NEAR(model.camera().field, model.fieldLimit() - 0.0001, 1e-12);
}

TEST(PanViewerCamera, PitchIsHeldInsideTheCylinder) {
  Panorama panorama(4000, 800, kTwoPi);
  CPanViewer& model = panorama.model;
  model.setAutoRotation(false);
  zoomAllTheWayIn(model);  // field 0.0001: vertical half angle atan(0.01 × 406 / 800)
  model.camera();
  const double halfAngle = std::atan(0.01 * 406 / 800);
  model.drag(0, -10000);  // up by 10 radians
  model.camera();
  EXPECT_NEAR(model.pitch() + halfAngle, model.pitchLimit(), 1e-12);
  model.drag(0, 20000);
  model.camera();
  EXPECT_NEAR(model.pitch() - halfAngle, -model.pitchLimit(), 1e-12);
  // Zoomed out to the full height there is no room to tilt.
  model.zoom(1000000);
  model.camera();
  EXPECT_EQ(model.pitch(), 0);
}

TEST(PanViewerCamera, APartialPanoramaHoldsTheViewInsideItsEnds) {
  Panorama panorama(4000, 800, std::numbers::pi);
  CPanViewer& model = panorama.model;
  model.setAutoRotation(false);
  model.camera();
  const double halfAngle = model.horizontalHalfAngle();
  EXPECT_DOUBLE_EQ(model.yaw(), halfAngle);  // the start at 0.005 shows past the left end
  model.drag(-1000, 0);
  model.camera();
  EXPECT_DOUBLE_EQ(model.yaw(), halfAngle);
  model.drag(1000, 0);
  model.camera();
  EXPECT_DOUBLE_EQ(model.yaw(), std::numbers::pi - halfAngle);
}

TEST(PanViewerCamera, AFieldOfViewOf628TurnsFreelyAndLessDoesNot) {
  for (const auto& [fov, free] : {std::pair{6.28, true}, std::pair{6.2799, false}}) {
    SCOPED_TRACE(fov);
    Panorama panorama(4000, 800, fov);
    panorama.model.setAutoRotation(false);
    panorama.model.drag(1000, 0);
    panorama.model.camera();
    if (free)
      EXPECT_DOUBLE_EQ(panorama.model.yaw(), 0.005 + 10);
    else
      EXPECT_LT(panorama.model.yaw(), fov);
  }
}

TEST(PanViewerCamera, AFullCircleTurnsOnWithoutReversing) {
  Panorama panorama(4000, 800, kTwoPi);
  CPanViewer& model = panorama.model;
  model.camera();
  double previous = model.yaw();
  for (int frame = 0; frame < 7000; ++frame) {
    model.camera();
    ASSERT_NEAR(model.yaw() - previous, 0.002, 1e-9) << "frame " << frame;
    previous = model.yaw();
  }
  EXPECT_GT(model.yaw(), 2 * kTwoPi);
}

TEST(PanViewerCamera, APartialPanoramaSwingsBetweenItsEnds) {
  Panorama panorama(4000, 800, std::numbers::pi);
  CPanViewer& model = panorama.model;
  model.camera();
  const double low = model.horizontalHalfAngle();
  const double high = std::numbers::pi - low;
  int reversals = 0;
  float step = model.rotationStep();
  double lowest = model.yaw(), highest = model.yaw();
  for (int frame = 0; frame < 5000; ++frame) {  // (high - low) / 0.002 ≈ 1017 frames a sweep
    model.camera();
    lowest = std::min(lowest, model.yaw());
    highest = std::max(highest, model.yaw());
    if (model.rotationStep() != step) {
      ++reversals;
      step = model.rotationStep();
    }
  }
  EXPECT_GE(reversals, 3);
  EXPECT_DOUBLE_EQ(lowest, low);
  EXPECT_DOUBLE_EQ(highest, high);
  EXPECT_TRUE(model.needsFrame());
}

TEST(PanViewerCamera, APanoramaNarrowerThanTheViewStaysCentredAndStill) {
  // A square photo of 1 radian: at the full height the view is wider than the panorama.
  Panorama panorama(400, 400, 1.0);
  CPanViewer& model = panorama.model;
  EXPECT_TRUE(model.autoRotation());
  model.camera();
  EXPECT_GE(model.horizontalHalfAngle(), 0.5);
  for (int frame = 0; frame < 100; ++frame) {
    model.camera();
    ASSERT_DOUBLE_EQ(model.yaw(), 0.5);
  }
  model.drag(300, 0);
  model.camera();
  EXPECT_DOUBLE_EQ(model.yaw(), 0.5);
  model.clearRedraw();
  EXPECT_FALSE(model.needsFrame());  // turning would change nothing: no frames are drawn
  // Zoomed in, it turns again.
  model.zoom(-500);
  model.camera();
  model.clearRedraw();
  EXPECT_TRUE(model.needsFrame());
}

TEST(PanViewerCamera, NeedsAFrameOnlyWhenSomethingChanges) {
  Panorama panorama(4000, 800, kTwoPi);
  CPanViewer& model = panorama.model;
  model.setAutoRotation(false);
  model.camera();
  model.clearRedraw();
  EXPECT_FALSE(model.needsFrame());
  model.zoom(1);
  EXPECT_TRUE(model.needsFrame());
  model.clearRedraw();
  model.setAutoRotation(true);
  EXPECT_TRUE(model.needsFrame());
}

TEST(PanViewerCamera, ADragTurnsOneRadianPer100PixelsAndTiltsATenthAndTheFrameFollows) {
  Panorama panorama(4000, 800, kTwoPi);
  CPanViewer& model = panorama.model;
  model.setAutoRotation(false);
  zoomAllTheWayIn(model);
  model.camera();
  model.clearRedraw();
  model.drag(100, -100);  // right and up: yaw 0.005 + 1, pitch 0.1
  EXPECT_TRUE(model.redraw());
  const platform::CameraFrame camera = model.camera();
  const double yaw = 1.005, pitch = 0.1;
  EXPECT_NEAR(model.yaw(), yaw, 1e-12);
  EXPECT_NEAR(model.pitch(), pitch, 1e-12);
  EXPECT_NEAR(camera.direction.x, std::cos(pitch) * std::cos(yaw), 1e-12);
  EXPECT_NEAR(camera.direction.y, std::cos(pitch) * std::sin(yaw), 1e-12);
  EXPECT_NEAR(camera.direction.z, std::sin(pitch), 1e-12);
  EXPECT_NEAR(camera.up.x, std::sin(pitch) * std::cos(yaw), 1e-12);
  EXPECT_NEAR(camera.up.y, std::sin(pitch) * std::sin(yaw), 1e-12);
  EXPECT_NEAR(camera.up.z, std::cos(pitch), 1e-12);
}

TEST(PanViewerTiles, RejectsTileIndicesAndRowsOutsideTheGridAndShortTextures) {
  Panorama panorama(300, 200, kTwoPi);
  const CPanViewer& model = panorama.model;
  std::vector<std::uint8_t> texture(std::size_t{3} * 32 * 32);
  EXPECT_THROW(model.makeTileRows(-1, 0, 32, texture), std::out_of_range);
  EXPECT_THROW(model.makeTileRows(model.tileCount(), 0, 32, texture), std::out_of_range);
  EXPECT_THROW(model.tileQuad(-1), std::out_of_range);
  EXPECT_THROW(model.tileQuad(model.tileCount()), std::out_of_range);
  EXPECT_THROW(model.makeTileRows(0, 30, 3, texture), std::out_of_range);
  EXPECT_THROW(model.makeTileRows(0, -1, 2, texture), std::out_of_range);
  EXPECT_THROW(model.makeTileRows(0, 4, 0, texture), std::out_of_range);
  EXPECT_THROW(model.makeTileRows(0, 0, 32, std::span(texture).first(100)), std::invalid_argument);
  EXPECT_NO_THROW(model.makeTileRows(0, 31, 1, std::span(texture).first(96)));
  panorama.model.releasePicture();
  EXPECT_THROW(model.makeTileRows(0, 0, 32, texture), std::logic_error);
}

// The viewer decodes the picture from the top and makes each tile row's textures a band of
// rows at a time, holding only the band's picture rows.
TEST(PanViewerTiles, TilesMadeInBandsEqualTilesMadeFromTheWholePicture) {
  for (const auto& [width, height] : {std::pair{1500, 260}, std::pair{300, 9}}) {
    SCOPED_TRACE(width);
    Panorama whole(width, height, kTwoPi);
    CPanViewer bands;
    bands.setViewport(800, 400);
    ASSERT_EQ(bands.setPictureSize(width, height, kTwoPi), whole.model.tileCount());
    const int T = whole.model.tileSize();
    const auto rowBytes = std::size_t{3} * static_cast<std::size_t>(T);
    std::vector<std::uint8_t> expected(rowBytes * static_cast<std::size_t>(T));
    std::vector<std::uint8_t> band(expected.size());
    TileQuad quad;
    const int stride = 3 * width;
    int previousFirst = -1;
    for (int row = bands.tilesDown() - 1; row >= 0; --row) {
      const auto [tileFirst, tileLast] = bands.tileRowSpan(row);
      EXPECT_GT(tileFirst, previousFirst);  // each tile row lower down in the picture
      EXPECT_LE(tileLast - tileFirst + 1, T);
      previousFirst = tileFirst;
      // Bands of 7 rows, the last one shorter.
      for (int y = 0; y < T; y += 7) {
        const int count = std::min(7, T - y);
        const auto [first, last] = bands.bandSpan(row, y, count);
        EXPECT_GE(first, tileFirst);
        EXPECT_LE(last, tileLast);
        bands.holdRows({whole.picture.bytes.data() + std::size_t(first) * stride, stride, width,
                        last - first + 1, first});
        for (int column = 0; column < bands.tilesAcross(); ++column) {
          const int index = row * bands.tilesAcross() + column;
          makeTile(whole.model, index, expected, quad);
          bands.makeTileRows(index, y, count, band);
          ASSERT_EQ(0, std::memcmp(band.data(), expected.data() + rowBytes * y, rowBytes * count))
              << "tile " << index << ", rows from " << y;
        }
        // One row short of the band: refused rather than read outside the held rows.
        bands.holdRows({whole.picture.bytes.data() + std::size_t(first) * stride, stride, width,
                        last - first, first});
        EXPECT_THROW(bands.makeTileRows(row * bands.tilesAcross(), y, count, band),
                     std::logic_error);
      }
    }
  }
}

}  // namespace
}  // namespace skylacer::viewer
