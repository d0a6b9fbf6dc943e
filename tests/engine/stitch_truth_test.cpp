// SPDX-License-Identifier: GPL-3.0-or-later
// Ground truth for the whole stitch: photo series rendered from a real sample photo with known
// camera turns, focal length, roll and distortion, stitched, and compared with the scene they
// were rendered from.
//
// The engine's cylinder is not isotropic: a panorama column is K = 2F / W radians
// (F = atan(1 / f)) while a row is 2 / W units of y, the height on a cylinder of radius f. The
// ground truth is therefore rendered through the engine's own mapping: panorama pixel (u, r)
// shows azimuth sx · (K u - F) + ψ0 and height sy · ((2r - H) / W) / f + h0, where the
// registration (ψ0, h0, sx, sy) absorbs where the engine put photo 0 and how far its focal
// length f differs from the true one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "engine/stitch.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"

namespace skylacer {
namespace {

constexpr double kTurn = 2 * std::numbers::pi;

struct TruthCase {
  const char* name;
  const char* sample;
  ImageSize size;
  double focal;    // half widths
  double overlap;  // angular share of a photo's field of view (open series)
  int photos;
  bool fullCircle = false;
  double engineDistortion = 0;
  int jpegQuality = 0;  // 0: the rendering itself
  double radialDistortion = 0;
  std::string_view profile = kDefaultProfileText;
};

void PrintTo(const TruthCase& c, std::ostream* out) {
  *out << c.name;
}

struct StitchedSeries {
  test::PhotoSeries truth;
  test::CylinderPicture cylinder;
  StitchResult result;
};

StitchedSeries stitchSeries(const TruthCase& c) {
  std::vector<double> rolls;
  for (int i = 0; i < c.photos; ++i) rolls.push_back(0.008 * std::sin(1.7 * i + 0.3));
  StitchedSeries run;
  if (c.fullCircle) {
    run.truth.photoSize = c.size;
    run.truth.focal = c.focal;
    // Photo 0 looks at the middle of the picture, away from where its two edges meet.
    for (int i = 0; i < c.photos; ++i)
      run.truth.poses.push_back({std::numbers::pi + i * kTurn / c.photos, rolls[i]});
  } else {
    run.truth = test::turningSeries(c.size, c.focal, c.overlap, rolls);
  }
  run.truth.engineDistortion = c.engineDistortion;
  run.truth.radialDistortion = c.radialDistortion;
  test::Picture picture = test::loadPicture(test::samplePhotos(c.sample).front());
  run.cylinder = c.fullCircle
                     ? test::fullTurnCylinder(std::move(picture.pixels), picture.size)
                     : test::fitCylinder(std::move(picture.pixels), picture.size, run.truth);

  std::vector<RgbImage> photos;
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> pointers;
  for (int i = 0; i < c.photos; ++i) {
    RgbImage photo = test::renderPhoto(run.cylinder, run.truth, static_cast<std::size_t>(i));
    if (c.jpegQuality > 0) photo = test::jpegRoundTrip(photo, c.size, c.jpegQuality);
    photos.push_back(std::move(photo));
  }
  for (auto& photo : photos) {
    bitmaps.push_back(
        imaging::Bitmap::overPixels(photo.data(), c.size.width, c.size.height, 3 * c.size.width));
    pointers.push_back(bitmaps.back().get());
  }
  StitchParams params = paramsFromProfileText(c.profile);
  params.full360 = c.fullCircle ? 1 : 0;
  NullTrace trace;
  auto result = stitchPanorama(pointers, params, nullptr, trace);
  if (!result) throw std::runtime_error("the stitch gave no panorama");
  run.result = std::move(*result);
  return run;
}

// Where a stitched pixel lies on the true cylinder.
struct Registration {
  double yaw = 0;     // ψ0, radians
  double height = 0;  // h0
  double scaleX = 1;  // sx
  double scaleY = 1;  // sy
};

class TruthView {
 public:
  explicit TruthView(const StitchedSeries& run)
      : run_(run),
        focal_(run.result.cameras[0].focal),
        scale_(cylinderScale(focal_, run.truth.photoSize.width)) {}

  // The true colour at stitched pixel (u, r) of the cropped panorama.
  test::CylinderColour truthAt(const Registration& reg, double u, double r) const {
    const ImageSize photo = run_.truth.photoSize;
    const CropRect& crop = run_.result.panorama.crop;
    const double theta = scale_.radiansPerColumn * (u + crop.left) - scale_.halfFieldOfView;
    const double y = (2 * (r + crop.top) - photo.height) / photo.width;
    return test::cylinderColour(run_.cylinder, reg.scaleX * theta + reg.yaw,
                                reg.scaleY * y / focal_ + reg.height);
  }

  const std::uint8_t* stitchedAt(int u, int r) const {
    const ComposedPanorama& p = run_.result.panorama;
    return p.picture() + p.stride * r + 3 * u;
  }

  // Mean absolute difference per channel over a grid of non-empty stitched pixels.
  double meanDifference(const Registration& reg, int step) const {
    const ImageSize size = run_.result.panorama.size;
    double sum = 0;
    long count = 0;
    for (int r = step / 2; r < size.height; r += step)
      for (int u = step / 2; u < size.width; u += step) {
        const std::uint8_t* p = stitchedAt(u, r);
        if ((p[0] | p[1] | p[2]) == 0) continue;
        const test::CylinderColour t = truthAt(reg, u, r);
        for (int ch = 0; ch < 3; ++ch) sum += std::fabs(p[ch] - t.channel[ch]);
        ++count;
      }
    return count == 0 ? 1e9 : sum / (3.0 * count);
  }

  // Coordinate descent on the four registration values, from coarse steps to fine ones.
  Registration registerToTruth() const {
    Registration best;
    best.yaw = run_.truth.poses.front().yaw;
    double bestDifference = meanDifference(best, 6);
    double steps[4] = {0.01, 0.01, 0.01, 0.01};
    for (int round = 0; round < 12; ++round) {
      for (int p = 0; p < 4; ++p) {
        for (double direction : {-1.0, 1.0}) {
          for (;;) {
            Registration trial = best;
            double* value[4] = {&trial.yaw, &trial.height, &trial.scaleX, &trial.scaleY};
            *value[p] += direction * steps[p];
            const double difference = meanDifference(trial, 6);
            if (difference >= bestDifference) break;
            best = trial;
            bestDifference = difference;
          }
        }
        steps[p] /= 2.5;
      }
    }
    return best;
  }

 private:
  const StitchedSeries& run_;
  double focal_;
  CylinderScale scale_;
};

// The true horizontal field of view an open series spans: from the left edge of the first
// photo to the right edge of the last.
double trueFieldOfView(const test::PhotoSeries& truth) {
  return truth.poses.back().yaw - truth.poses.front().yaw +
         test::horizontalFieldOfView(truth.focal);
}

// Colour step between the pixels just outside the cross-fade of one row.
double stepAcross(const TruthView& view, const Registration& reg, int joint, int r, bool stitched) {
  double sum = 0;
  for (int ch = 0; ch < 3; ++ch) {
    const double left =
        stitched ? view.stitchedAt(joint - 1, r)[ch] : view.truthAt(reg, joint - 1, r).channel[ch];
    const double right = stitched ? view.stitchedAt(joint + 16, r)[ch]
                                  : view.truthAt(reg, joint + 16, r).channel[ch];
    sum += right - left;
  }
  return sum / 3;
}

// The largest difference, over blocks of 8 rows, between the colour step across a seam in the
// stitched panorama and the step at the same places in the ground truth. With an offset, the
// same statistic that many columns left of the seams, where one photo shows the scene alone.
double largestSeamJump(const StitchedSeries& run, const TruthView& view, const Registration& reg,
                       int offset = 0) {
  const ComposedPanorama& p = run.result.panorama;
  double largest = 0;
  for (const std::vector<int>& joints : p.joints) {
    double block = 0;
    int rows = 0;
    for (int r = 0; r < p.size.height; ++r) {
      const int joint = joints[static_cast<std::size_t>(r + p.crop.top)] - p.crop.left - offset;
      if (joint < 1 || joint + 16 >= p.size.width) continue;
      block += stepAcross(view, reg, joint, r, true) - stepAcross(view, reg, joint, r, false);
      if (++rows == 8) {
        largest = std::max(largest, std::fabs(block / rows));
        block = 0;
        rows = 0;
      }
    }
  }
  return largest;
}

class StitchGroundTruth : public testing::TestWithParam<TruthCase> {};

TEST_P(StitchGroundTruth, FieldOfViewPictureAndSeamsMatchTheScene) {
  const TruthCase c = GetParam();
  const StitchedSeries run = stitchSeries(c);
  const ComposedPanorama& panorama = run.result.panorama;
  const double focalRatio = run.result.cameras[0].focal / c.focal;

  if (c.fullCircle) {
    EXPECT_DOUBLE_EQ(panorama.angle, kTurn);
  } else {
    // The crop may cut up to half a photo's width of columns at either end, and the angle
    // follows the columns kept: it reaches the series' angle as far as the focal length allows,
    // and falls short of it by at most one photo's angle.
    const double truth = trueFieldOfView(run.truth);
    RecordProperty("fov_error_percent", std::to_string(100 * (panorama.angle / truth - 1)));
    EXPECT_LE(panorama.angle, truth * (1 + 1.1 * std::fabs(focalRatio - 1) + 0.005))
        << "focal ratio " << focalRatio;
    EXPECT_GE(panorama.angle, truth - test::horizontalFieldOfView(c.focal));
  }

  const TruthView view(run);
  const Registration reg = view.registerToTruth();
  const double difference = view.meanDifference(reg, 2);
  const double jump = largestSeamJump(run, view, reg);
  const double away = largestSeamJump(run, view, reg, 48);
  RecordProperty("mean_abs_difference", std::to_string(difference));
  RecordProperty("largest_seam_jump", std::to_string(jump));
  std::printf(
      "%s: %d x %d, focal ratio %.4f, mean |difference| %.2f, largest seam jump %.2f "
      "(%.2f away from the seams)\n",
      c.name, panorama.size.width, panorama.size.height, focalRatio, difference, jump, away);
  EXPECT_LT(difference, 5.0);
  // A seam shows no larger step than the rows of one photo show against the scene.
  EXPECT_LT(jump, 1.6 * std::max(away, 10.0));
}

INSTANTIATE_TEST_SUITE_P(
    Series, StitchGroundTruth,
    testing::Values(TruthCase{"Mountains480", "mountains", {480, 360}, 2.3, 0.35, 4},
                    TruthCase{"Trail512Pincushion",
                              "trail",
                              {512, 384},
                              2.6,
                              0.40,
                              3,
                              false,
                              0.04,
                              0,
                              0,
                              kSearchOnlyProfileText},
                    TruthCase{
                        "MountainsJpeg80", "mountains", {448, 336}, 2.0, 0.30, 3, false, 0, 80},
                    TruthCase{"MountainsFullCircle", "mountains", {400, 300}, 1.25, 0, 6, true},
                    TruthCase{"TrailBarrelPrecise",
                              "trail",
                              {800, 600},
                              1.6,
                              0.3,
                              3,
                              false,
                              0,
                              0,
                              -0.05,
                              kPreciseProfileText}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StitchGroundTruth, FullCircleEndsContinueEachOther) {
  const StitchedSeries run =
      stitchSeries(TruthCase{"MountainsFullCircle", "mountains", {360, 270}, 1.3, 0, 6, true});
  const ComposedPanorama& p = run.result.panorama;
  auto columnStep = [&](int c0, int c1) {
    double sum = 0;
    for (int r = 0; r < p.size.height; ++r)
      for (int ch = 0; ch < 3; ++ch)
        sum += std::abs(p.picture()[p.stride * r + 3 * c0 + ch] -
                        p.picture()[p.stride * r + 3 * c1 + ch]);
    return sum / (3.0 * p.size.height);
  };
  double neighbours = 0;
  for (int c = 1; c <= 20; ++c) neighbours += columnStep(c - 1, c) / 20;
  const double across = columnStep(p.size.width - 1, 0);
  std::printf("across the ends %.2f, between neighbours %.2f\n", across, neighbours);
  EXPECT_LT(across, 1.5 * neighbours);
}

}  // namespace
}  // namespace skylacer
