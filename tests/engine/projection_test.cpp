// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/projection.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/synth_series.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

using test::ScriptedProgress;

constexpr double kTurn = 2 * std::numbers::pi;

const std::uint8_t* pixelAt(const RgbImage& image, int width, int column, int row) {
  return image.data() + 3 * (static_cast<std::ptrdiff_t>(row) * width + column);
}

// Pixel (column, row) of a composed panorama's picture.
const std::uint8_t* pictureAt(const ComposedPanorama& panorama, int column, int row) {
  return panorama.picture() + panorama.stride * row + 3 * column;
}

// Mean absolute difference per channel between two columns of a composed panorama's picture.
double columnDifference(const ComposedPanorama& panorama, int c0, int c1) {
  double sum = 0;
  for (int r = 0; r < panorama.size.height; ++r)
    for (int ch = 0; ch < 3; ++ch)
      sum += std::abs(pictureAt(panorama, c0, r)[ch] - pictureAt(panorama, c1, r)[ch]);
  return sum / (3.0 * panorama.size.height);
}

CameraRecord turnedCamera(double yaw, double focal) {
  CameraRecord record;
  record.focal = focal;
  record.rotation = test::cameraToWorld({yaw, 0});
  return record;
}

TEST(PanoramaWidth, RoundsTheLastColumnAndThePhotoUpToAMultipleOfFour) {
  EXPECT_EQ(panoramaWidth(300, 400), 700);
  EXPECT_EQ(panoramaWidth(300.4, 400), 700);
  EXPECT_EQ(panoramaWidth(300.6, 400), 704);
  EXPECT_EQ(panoramaWidth(0, 6), 8);
}

TEST(PanoramaPositions, OpenPanoramaKeepsAPhotoFoundAHairLeftInPlace) {
  const double k = cylinderScale(2.0, 400).radiansPerColumn;
  const std::vector<CameraRecord> records = {turnedCamera(0, 2), turnedCamera(-1e-4, 2),
                                             turnedCamera(0.5, 2), turnedCamera(0.5 - 1e-4, 2),
                                             turnedCamera(1.0, 2)};
  const auto positions = panoramaPositions(records, k, false);
  EXPECT_DOUBLE_EQ(positions[1], 0);
  EXPECT_NEAR(positions[2], 0.5 / k, 1e-6);
  EXPECT_DOUBLE_EQ(positions[3], positions[2]);
  EXPECT_NEAR(positions[4], 1.0 / k, 1e-6);
}

TEST(PanoramaPositions, FullCircleClosesATurnFromTheFirstPhoto) {
  const double k = cylinderScale(1.5, 300).radiansPerColumn;
  std::vector<CameraRecord> records;
  for (int i = 0; i <= 3; ++i) records.push_back(turnedCamera(i * kTurn / 3, 1.5));
  const auto positions = panoramaPositions(records, k, true);
  for (int i = 0; i <= 3; ++i)
    EXPECT_NEAR(positions[static_cast<std::size_t>(i)], i * kTurn / 3 / k, 1e-6);
}

TEST(HorizonLine, LastPhotoAtTheFirstOnesAzimuthGivesNoSlope) {
  const double k = cylinderScale(2.0, 400).radiansPerColumn;
  CameraRecord tilted = turnedCamera(0, 2);
  tilted.rotation = tilted.rotation * Matrix3{{{1, 0, 0}, {0, 0.99, -0.141}, {0, 0.141, 0.99}}};
  const std::vector<CameraRecord> records = {turnedCamera(0, 2), tilted};
  const auto positions = panoramaPositions(records, k, false);
  const HorizonLine horizon = horizonLine(records, positions, k, 2);
  EXPECT_EQ(horizon.slope, 0);
  EXPECT_TRUE(std::isfinite(horizon.offset));
  EXPECT_NE(horizon.offset, 0);
}

TEST(HorizonLine, LevelCamerasNeedNoCorrection) {
  const double k = cylinderScale(2.0, 400).radiansPerColumn;
  const std::vector<CameraRecord> records = {turnedCamera(0, 2), turnedCamera(0.6, 2),
                                             turnedCamera(1.2, 2)};
  const HorizonLine horizon = horizonLine(records, panoramaPositions(records, k, false), k, 3);
  EXPECT_NEAR(horizon.slope, 0, 1e-12);
  EXPECT_NEAR(horizon.offset, 0, 1e-12);
}

struct CropCase {
  int width;
  CropWidth rule;
  int expectedWidth;
};

class CropWindowWidth : public testing::TestWithParam<CropCase> {};

TEST_P(CropWindowWidth, TrimsWidthsAbove1000ToAMultipleOfFour) {
  const CropCase c = GetParam();
  EXPECT_EQ(cropWindow({c.width + 30, 20}, {10, 5, 10 + c.width, 17}, c.rule),
            (CropRect{10, 5, 10 + c.expectedWidth, 17}));
  EXPECT_EQ(cropWindow({100, 20}, {-4, -1, 140, 25}, c.rule), (CropRect{0, 0, 100, 20}))
      << "held inside the panorama";
}

INSTANTIATE_TEST_SUITE_P(Widths, CropWindowWidth,
                         testing::Values(CropCase{1003, CropWidth::MultipleOf4Above1000, 1000},
                                         CropCase{999, CropWidth::MultipleOf4Above1000, 999},
                                         CropCase{1001, CropWidth::MultipleOf4Above1000, 1000},
                                         CropCase{1003, CropWidth::Exact, 1003}));

TEST(WarpTile, ExactCornersCopyTheSourceAndPointsOutsideAreEmpty) {
  const ImageSize size{64, 48};
  const RgbImage source = test::noisePicture(size, 5);
  RgbImage canvas(3 * 64 * 48, 9);
  // The tile shows source columns 8..40 and rows 0..32 shifted by half a pixel: truncation
  // keeps the integer positions.
  warpTile(canvas.data(), 3 * 64, source.data(), size,
           {{8.5f, 0.5f}, {40.5f, 0.5f}, {8.5f, 32.5f}, {40.5f, 32.5f}}, 32, 32);
  for (int r = 0; r < 32; r += 5)
    for (int x = 0; x < 32; x += 3)
      EXPECT_EQ(0, std::memcmp(pixelAt(canvas, 64, x, r), pixelAt(source, 64, 8 + x, r), 3));
  EXPECT_EQ(canvas[3 * 32], 9) << "pixels right of the tile stay as they were";
  // A tile reaching left of the source: its first 4 columns are written empty.
  warpTile(canvas.data(), 3 * 64, source.data(), size,
           {{-4.f, 0.f}, {28.f, 0.f}, {-4.f, 32.f}, {28.f, 32.f}}, 32, 32);
  for (int x = 0; x < 32; ++x) {
    const std::uint8_t* p = pixelAt(canvas, 64, x, 7);
    if (x < 4)
      EXPECT_EQ(p[0] | p[1] | p[2], 0) << x;
    else
      EXPECT_EQ(0, std::memcmp(p, pixelAt(source, 64, x - 4, 7), 3)) << x;
  }
}

// A source whose columns are all different and whose rows are all alike.
RgbImage columnStripes(ImageSize size) {
  RgbImage image = makeRgbImage(size);
  for (int r = 0; r < size.height; ++r)
    for (int c = 0; c < size.width; ++c)
      for (int ch = 0; ch < 3; ++ch)
        image[3 * (static_cast<std::size_t>(r) * size.width + c) + ch] =
            static_cast<std::uint8_t>(1 + (c * (ch + 1)) % 250);
  return image;
}

TEST(ProjectImage, CentreColumnShowsTheCameraAxisAndTheCylinderWidensTheEdges) {
  const ImageSize size{256, 192};
  const RgbImage source = columnStripes(size);
  RgbImage canvas = makeRgbImage(size);
  ASSERT_TRUE(projectImage(source, canvas, size, turnedCamera(0, 1.2), 0, {}, nullptr));
  for (int r = 0; r < size.height; r += 13)
    EXPECT_EQ(0, std::memcmp(pixelAt(canvas, 256, 128, r), pixelAt(source, 256, 128, r), 3)) << r;
  // On a band edge (exact mapping) the cylinder column x shows the source column of f tan θ:
  // off the centre the canvas columns lie nearer the centre of the source than their own.
  const double half = cylinderScale(1.2, 256).halfFieldOfView;
  const double theta = 2 * half / 256 * 64 - half;
  const int expected = static_cast<int>((256 + 256 * std::tan(theta) * 1.2) / 2);
  const std::uint8_t* p = pixelAt(canvas, 256, 64, 96);
  const int found = p[0] - 1;
  EXPECT_NEAR(found, expected, 1);
  EXPECT_GT(found, 64 + 5);
}

// A radial lens moves a source point from the centre by 1 + k1 r² (r in focal lengths): a
// barrel lens brings the panorama's left edge, which shows the source's left edge without it,
// several pixels inwards.
TEST(ProjectImage, RadialLensScalesTheSourcePointAboutTheCentre) {
  const ImageSize size{256, 192};
  const RgbImage source = columnStripes(size);
  const double focal = 1.2;
  const double theta = -cylinderScale(focal, 256).halfFieldOfView;  // canvas column 0
  for (const double k1 : {-0.05, -0.1}) {
    CameraRecord record = turnedCamera(0, focal);
    record.radial = k1;
    RgbImage canvas = makeRgbImage(size);
    ASSERT_TRUE(projectImage(source, canvas, size, record, 0, {}, nullptr));
    for (const int row : {64, 128}) {  // tile edges: the exact mapping
      SCOPED_TRACE(testing::Message() << "k1 " << k1 << " row " << row);
      const double xs = focal * std::tan(theta);
      const double ys = (2.0 * row - 192) / 256 / std::cos(theta);
      const double factor = 1 + k1 * (xs * xs + ys * ys) / (focal * focal);
      const int expected = static_cast<int>((256 + 256 * xs * factor) / 2);
      EXPECT_NEAR(pixelAt(canvas, 256, 0, row)[0] - 1, expected, 1);
    }
  }
}

TEST(ProjectImage, PaintsTheSamePixelsWithAndWithoutVectors) {
  // 15 whole tiles and a narrower one a row: two groups of eight tile rows side by side, seven
  // left over, tile rows reaching out of the photo, each painted as one tile row alone paints.
  const ImageSize size{1000, 700};
  const RgbImage source = test::noisePicture(size, 11);
  CameraRecord tilted = turnedCamera(0, 1.1);
  tilted.rotation = test::cameraToWorld({0.2, 0.03, 0.05});
  tilted.radial = -0.08;
  tilted.distortion = 0.01;
  for (const CameraRecord& record : {turnedCamera(0, 1.6), tilted}) {
    RgbImage widest = makeRgbImage(size);
    RgbImage plain = makeRgbImage(size);
    const HorizonLine horizon{0.02, -0.01};
    ASSERT_TRUE(projectImage(source, widest, size, record, 700, horizon, nullptr, 2));
    ASSERT_TRUE(
        projectImage(source, plain, size, record, 700, horizon, nullptr, 1, WarpVectors::None));
    EXPECT_TRUE(widest == plain);
  }
}

TEST(ProjectImage, StopRequestLeavesTheRemainingBandsAlone) {
  const ImageSize size{70, 200};
  const RgbImage source = test::noisePicture(size, 2);
  RgbImage canvas(3 * 70 * 200, 7);
  ScriptedProgress progress(2);
  EXPECT_FALSE(projectImage(source, canvas, size, turnedCamera(0, 2), 0, {}, &progress));
  EXPECT_EQ(progress.reports, 3);
  for (int c = 0; c < 70; c += 23) {
    EXPECT_NE(pixelAt(canvas, 70, c, 100)[0], 7) << "the second band is painted";
    EXPECT_EQ(pixelAt(canvas, 70, c, 128)[0], 7) << "the third band is not";
  }
}

TEST(WrapBlend, BlendsEachEndWithTheClosingCopyItRepeats) {
  // The closing copy sits at column 27 while P - W = 30: pairing column j with P - W + j would
  // blend different parts of the scene (ghosting); pairing with 27 + j blends like with like.
  const ImageSize size{40, 6};
  const int width = 10;
  const int closing = 27;
  const RgbImage scene = test::noisePicture({width, 6}, 11);
  RgbImage panorama = makeRgbImage(size);
  for (int r = 0; r < 6; ++r)
    for (int j = 0; j < width; ++j) {
      std::memcpy(panorama.data() + 3 * (r * 40 + j), pixelAt(scene, width, j, r), 3);
      std::memcpy(panorama.data() + 3 * (r * 40 + closing + j), pixelAt(scene, width, j, r), 3);
    }
  RgbImage shifted = panorama;
  wrapBlend(panorama, size, width, closing);
  wrapBlend(shifted, size, width, size.width - width);
  double ghosting = 0;
  for (int r = 0; r < 6; ++r)
    for (int j = 0; j < width; ++j) {
      EXPECT_EQ(0, std::memcmp(pixelAt(panorama, 40, j, r), pixelAt(scene, width, j, r), 3));
      EXPECT_EQ(0,
                std::memcmp(pixelAt(panorama, 40, closing + j, r), pixelAt(scene, width, j, r), 3));
      ghosting += std::abs(pixelAt(shifted, 40, j, r)[0] - pixelAt(scene, width, j, r)[0]);
    }
  EXPECT_GT(ghosting / 60, 2.0) << "pairing with P - W mixes columns 3 apart";
}

TEST(WrapBlend, CrossFadesFromTheClosingCopyToTheFirstPhotoAndSkipsEmptyPixels) {
  const ImageSize size{24, 1};
  RgbImage panorama = makeRgbImage(size);
  for (int j = 0; j < 8; ++j) {
    panorama[3 * j] = panorama[3 * j + 1] = panorama[3 * j + 2] = 200;
    if (j != 5)
      panorama[3 * (12 + j)] = panorama[3 * (12 + j) + 1] = panorama[3 * (12 + j) + 2] = 40;
  }
  wrapBlend(panorama, size, 8, 12);
  EXPECT_EQ(panorama[0], 40);                          // j = 0: all the closing copy
  EXPECT_EQ(panorama[3 * 4], (4 * 200 + 4 * 40) / 8);  // half way
  EXPECT_EQ(panorama[3 * 5], 200);                     // the closing copy is empty there
  EXPECT_EQ(panorama[3 * (12 + 5)], 200);
  EXPECT_EQ(panorama[3 * 7], (7 * 200 + 1 * 40) / 8);
  EXPECT_EQ(panorama[3 * (12 + 7)], panorama[3 * 7]);
}

// Photos of a textured scene wrapped round the whole cylinder, rendered with known yaws, and
// their exact cameras.
struct ComposeInput {
  ImageSize size;
  std::vector<RgbImage> photos;
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> pointers;
  std::vector<CameraRecord> records;
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
};

std::unique_ptr<ComposeInput> composeInput(ImageSize size, double focal,
                                           const std::vector<double>& yaws, bool fullCircle) {
  auto input = std::make_unique<ComposeInput>();
  input->size = size;
  test::PhotoSeries series;
  series.photoSize = size;
  series.focal = focal;
  for (double yaw : yaws) series.poses.push_back({yaw, 0});
  const auto cylinder = test::fullTurnCylinder(test::noisePicture({2400, 600}, 21), {2400, 600});
  for (std::size_t i = 0; i < yaws.size(); ++i) {
    input->photos.push_back(test::renderPhoto(cylinder, series, i));
    input->records.push_back(turnedCamera(yaws[i], focal));
  }
  if (fullCircle) input->records.push_back(turnedCamera(kTurn, focal));
  for (auto& photo : input->photos) {
    input->bitmaps.push_back(
        imaging::Bitmap::overPixels(photo.data(), size.width, size.height, 3 * size.width));
    input->pointers.push_back(input->bitmaps.back().get());
  }
  input->params.full360 = fullCircle ? 1 : 0;
  return input;
}

// Two 400 x 300 photos of focal 2, the second `columns` panorama columns right of the first.
std::unique_ptr<ComposeInput> openPair(int columns) {
  return composeInput({400, 300}, 2.0, {0, columns * cylinderScale(2.0, 400).radiansPerColumn},
                      false);
}

std::optional<ComposedPanorama> compose(ComposeInput& input, IProgress* progress = nullptr) {
  return composePanorama(input.pointers, input.records, input.params, progress);
}

TEST(ComposePanorama, OpenPairAt0And300ColumnsIs700Wide) {
  const double perColumn = cylinderScale(2.0, 400).radiansPerColumn;
  auto uncropped = openPair(300);
  uncropped->params.crop = 0;
  const auto whole = compose(*uncropped);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->size, (ImageSize{700, 300}));
  EXPECT_NEAR(whole->angle, 700 * perColumn, 1e-12);

  auto input = openPair(300);
  const auto result = compose(*input);
  ASSERT_TRUE(result);
  // The cylinder bends the photos' top and bottom edges: the crop cuts a few rows, and a
  // column or two at the ends where that keeps more of the picture.
  EXPECT_LE(result->size.width, 700);
  EXPECT_GT(result->size.width, 690);
  EXPECT_LT(result->size.height, 300);
  EXPECT_GT(result->size.height, 250);
  EXPECT_NEAR(result->angle, result->size.width * perColumn, 1e-12);
  ASSERT_EQ(result->joints.size(), 1u);
}

TEST(ComposePanorama, FewerThan100CommonRowsReturnsTheWholeCanvas) {
  auto input = openPair(300);
  std::fill(input->photos[1].begin(), input->photos[1].end(), std::uint8_t{0});
  const auto result = compose(*input);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->size, (ImageSize{700, 300}));
  EXPECT_EQ(result->crop.top, 0);
}

TEST(ComposePanorama, CropZeroKeepsTheHeightThatTheSeamsWouldCut) {
  for (int crop : {1, 0}) {
    SCOPED_TRACE(crop);
    auto input = openPair(250);
    input->params.crop = crop;
    // The new photo's top 20 rows hold no data: the seam finds no overlap there.
    std::fill_n(input->photos[1].begin(), 3 * 400 * 20, std::uint8_t{0});
    const auto result = compose(*input);
    ASSERT_TRUE(result);
    if (crop != 0) {
      EXPECT_GE(result->crop.top, 19);
      EXPECT_LT(result->size.height, 300 - 19);
      EXPECT_LE(result->size.width, 652);
    } else {
      EXPECT_EQ(result->size.height, 300);
      EXPECT_EQ(result->size.width, 652);
    }
  }
}

// Full circles whose closing copy lies 1-3 columns left of P - W.
TEST(ComposePanorama, FullCircleIsOneTurnWideAndItsEndsContinueEachOther) {
  for (int photos : {3, 4}) {
    SCOPED_TRACE(photos);
    const ImageSize size{330, 240};
    const double focal = 1.1;
    std::vector<double> yaws;
    for (int i = 0; i < photos; ++i) yaws.push_back(i * kTurn / photos);
    for (int crop : {1, 0}) {
      auto input = composeInput(size, focal, yaws, true);
      input->params.crop = crop;
      const auto result = compose(*input);
      ASSERT_TRUE(result);
      const double turn = kTurn / cylinderScale(focal, size.width).radiansPerColumn;
      const int closing = static_cast<int>(turn + 0.5);
      ASSERT_NE(panoramaWidth(turn, size.width) - size.width, closing) << "not a telling case";
      EXPECT_EQ(result->size.width, closing);
      EXPECT_EQ(result->crop.left, size.width / 2);
      EXPECT_DOUBLE_EQ(result->angle, kTurn);
      if (crop == 0) {
        EXPECT_EQ(result->size.height, size.height);
      }
      // The last column and the first are neighbours on the cylinder.
      const double across = columnDifference(*result, result->size.width - 1, 0);
      double neighbours = 0;
      for (int c = 1; c < 11; ++c) neighbours += columnDifference(*result, c - 1, c) / 10;
      EXPECT_LT(across, 1.3 * neighbours) << "across the ends " << across;
    }
  }
}

// Fills every block the C library hands out with a byte other than 0 while it lives: a buffer
// read before it is written then shows that byte instead of the zero a fresh page would give.
class DirtyAllocations {
 public:
  DirtyAllocations() { mallopt(M_PERTURB, 0x5a); }
  ~DirtyAllocations() { mallopt(M_PERTURB, 0); }
  DirtyAllocations(const DirtyAllocations&) = delete;
  DirtyAllocations& operator=(const DirtyAllocations&) = delete;
};

TEST(ComposePanorama, PhotosThatDoNotMeetLeaveTheGapAndTheRoundingColumnsEmpty) {
  const DirtyAllocations dirty;
  // Photo 1 at column 501: columns 400..500 lie between the photos, 901..903 round the width up.
  auto input = openPair(501);
  const std::optional<ComposedPanorama> result = compose(*input);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->size, (ImageSize{904, 300})) << "no seam, so nothing is cropped";
  ASSERT_EQ(result->first, 0u);
  // Its rows are held as wide as whole strips; the columns past its width are written empty.
  for (int r = 0; r < 300; ++r)
    for (std::ptrdiff_t byte = 3 * 904; byte < result->stride; ++byte)
      ASSERT_EQ(result->pixels[static_cast<std::size_t>(r * result->stride + byte)], 0) << r;

  // Beside the gap each photo shows its own projection, photo 1 from where its cross-fade into
  // the (empty) gap has ended.
  const double perColumn = cylinderScale(2.0, 400).radiansPerColumn;
  const std::vector<double> positions = panoramaPositions(input->records, perColumn, false);
  const HorizonLine horizon = horizonLine(input->records, positions, perColumn, 2);
  std::vector<RgbImage> projected;
  for (std::size_t i = 0; i < 2; ++i) {
    projected.push_back(makeRgbImage(input->size));
    ASSERT_TRUE(projectImage(input->photos[i], projected.back(), input->size, input->records[i],
                             i == 0 ? 0 : 501, horizon, nullptr));
  }
  for (int r = 0; r < 300; ++r) {
    SCOPED_TRACE(r);
    for (int c = 0; c < 904; ++c) {
      const std::uint8_t* p = pictureAt(*result, c, r);
      if (c < 400) {
        ASSERT_EQ(0, std::memcmp(p, pixelAt(projected[0], 400, c, r), 3)) << c;
      } else if (c >= 501 + 32 && c < 901) {
        ASSERT_EQ(0, std::memcmp(p, pixelAt(projected[1], 400, c - 501, r), 3)) << c;
      } else if (c < 501 || c >= 901) {
        ASSERT_EQ(p[0] | p[1] | p[2], 0) << c;
      }
    }
  }
}

TEST(PackPanorama, GivesTheWindowsPictureInTheSameBuffer) {
  auto input = openPair(300);
  std::optional<ComposedPanorama> result = compose(*input);
  ASSERT_TRUE(result);
  ASSERT_GT(result->crop.top, 0) << "the rows have to move";
  const ImageSize size = result->size;
  std::vector<std::uint8_t> window;
  for (int r = 0; r < size.height; ++r)
    window.insert(window.end(), pictureAt(*result, 0, r), pictureAt(*result, size.width, r));
  const std::uint8_t* buffer = result->pixels.data();
  packPanorama(*result);
  EXPECT_EQ(result->pixels.data(), buffer);
  EXPECT_EQ(result->picture(), buffer);
  EXPECT_EQ(result->stride, 3 * size.width);
  EXPECT_EQ(result->size, size);
  EXPECT_TRUE(std::ranges::equal(result->pixels, window));
}

TEST(ComposePanorama, AStopRequestAtAnyReportGivesNoPanorama) {
  const double k = cylinderScale(2.0, 200).radiansPerColumn;
  for (bool fullCircle : {false, true}) {
    SCOPED_TRACE(fullCircle);
    const int photos = fullCircle ? 4 : 3;
    std::vector<double> yaws;
    for (int i = 0; i < photos; ++i) yaws.push_back(fullCircle ? i * kTurn / 4 : i * 120 * k);
    auto counting = composeInput({200, 150}, 2.0, yaws, fullCircle);
    ScriptedProgress never;
    ASSERT_TRUE(compose(*counting, &never));
    EXPECT_EQ(never.depth, 0);
    for (int stopAt = 0; stopAt < never.reports; ++stopAt) {
      SCOPED_TRACE(stopAt);
      auto input = composeInput({200, 150}, 2.0, yaws, fullCircle);
      ScriptedProgress progress(stopAt);
      EXPECT_FALSE(compose(*input, &progress));
      EXPECT_EQ(progress.depth, 0) << "every range opened is closed";
    }
  }
}

}  // namespace
}  // namespace skylacer
