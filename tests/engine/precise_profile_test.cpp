// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in profiles on synthesised series with known cameras: the default profile's cameras
// stay exactly what they were, the precise profile comes within its accuracy limits.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include "engine/align.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"

namespace skylacer {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

struct ProfileSeries {
  const char* name;
  // Folder under samples/, its first photo is the panorama; null: four photos of two sample
  // series side by side.
  const char* sample;
  ImageSize size;
  double focal;    // half widths
  double overlap;  // angular share of the field of view
  int photos;
  double rollAmplitude;   // radians: photo i rolls by this · sin(2.1 i + 0.5)
  double pitchAmplitude;  // radians: photo i is tilted up by this · sin(1.3 i + 1.1)
  double altGain = 1;     // brightness of every other photo
  double radial = 0;      // k1 of the lens, radii in focal lengths
};

void PrintTo(const ProfileSeries& s, std::ostream* out) {
  *out << s.name;
}

struct ProfileRun {
  test::PhotoSeries truth;
  std::vector<CameraRecord> records;  // absolute form, records 0..photos - 1
};

ProfileRun alignWithProfile(const ProfileSeries& s, std::string_view profileText) {
  ProfileRun run;
  std::vector<double> rolls;
  for (int i = 0; i < s.photos; ++i) rolls.push_back(s.rollAmplitude * std::sin(2.1 * i + 0.5));
  run.truth = test::turningSeries(s.size, s.focal, s.overlap, rolls);
  run.truth.radialDistortion = s.radial;
  for (int i = 0; i < s.photos; ++i) {
    run.truth.poses[static_cast<std::size_t>(i)].pitch = s.pitchAmplitude * std::sin(1.3 * i + 1.1);
    run.truth.gains.push_back(i % 2 == 1 ? s.altGain : 1.0);
  }
  const test::Picture picture =
      s.sample != nullptr
          ? test::loadPicture(test::samplePhotos(s.sample).front())
          : test::sideBySide({test::samplePhotos("mountains")[0], test::samplePhotos("trail")[0],
                              test::samplePhotos("mountains")[2], test::samplePhotos("trail")[2]});
  const auto cylinder = test::fitCylinder(picture.pixels, picture.size, run.truth);
  std::vector<RgbImage> photos;
  for (std::size_t i = 0; i < run.truth.poses.size(); ++i)
    photos.push_back(test::renderPhoto(cylinder, run.truth, i));
  const test::AlignmentInput input = test::alignmentInput(photos, s.size);

  StitchParams params = paramsFromProfileText(profileText);
  run.records.resize(input.planes.size() + 1);
  run.records[0].focal = run.records[1].focal = initialFocalLength(params);
  NullTrace trace;
  alignAll(input.planes, s.size, run.records, params, nullptr, trace, nullptr, input.features);
  run.records.pop_back();
  return run;
}

// Turn to the right from camera a to camera b, radians.
double relativeYaw(const Matrix3& a, const Matrix3& b) {
  const Vec3 forward = (transposed(a) * b) * Vec3{0, 0, 1};
  return std::atan2(forward.x, forward.z);
}

// The numbers that make up a camera, in a fixed order: focal, distortion, rotation by rows.
std::vector<double> cameraNumbers(const CameraRecord& record) {
  std::vector<double> numbers{record.focal, record.distortion};
  for (const auto& row : record.rotation) numbers.insert(numbers.end(), row.begin(), row.end());
  return numbers;
}

std::string hexFloat(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%a", value);
  return text;
}

// The coarse-search profile's cameras for this series, as the default profile gave them before
// the precise profile and feature matching existed, written as exact hexadecimal floating-point
// numbers.
const ProfileSeries kFixedSeries{"Mountains640", "mountains", {640, 480}, 2.3,
                                 0.35,           4,           0.012,      0.015};
const std::vector<std::vector<double>> kDefaultCameras = {
    {0x1.277173cc4345p+1, -0x1.9d866f58fe775p-14, 0x1.fff98a8916efap-1, 0x1.454b75b6e1973p-7,
     0x1.8f93252e4c0b2p-15, -0x1.454c6b1f053dcp-7, 0x1.fff8084c99f1ap-1, 0x1.3a700afca57fp-8,
     0x0p+0, -0x1.3a74027d3768ap-8, 0x1.fffe7dbea3a05p-1},
    {0x1.277173cc4345p+1, -0x1.9d866f58fe775p-14, 0x1.b94a5e85a0d3fp-1, 0x1.ce7fb6a871d22p-7,
     0x1.03870330f045p-1, -0x1.02925972082b8p-6, 0x1.ffef9c08f7857p-1, -0x1.07d83922bf5e8p-10,
     -0x1.038090f8db539p-1, -0x1.d36ad9be4d6bep-8, 0x1.b959705ba8f5fp-1},
    {0x1.277173cc4345p+1, -0x1.9d866f58fe775p-14, 0x1.f1d4b1e552053p-2, 0x1.b4e3d5ec75d58p-7,
     0x1.bf5e519026a9fp-1, -0x1.20a087f4aec83p-5, 0x1.ffad60df434a5p-1, 0x1.1d598d1fedc97p-8,
     -0x1.bf0e8480cca04p-1, -0x1.0d8891a130096p-5, 0x1.f1ff80ad379fep-2},
    {0x1.277173cc4345p+1, -0x1.9d866f58fe775p-14, -0x1.80259ed1e859fp-6, 0x1.255874f9f5e8dp-10,
     0x1.ffdbe2a9959fep-1, -0x1.b29f4a82e7936p-7, 0x1.fff456098ac95p-1, -0x1.76f2128170d43p-10,
     -0x1.ffd06f3a528c6p-1, -0x1.b399f382f76efp-7, -0x1.7fde9dadf5aa8p-6},
};

TEST(SearchOnlyProfile, GivesTheSameCamerasBitForBit) {
  const ProfileRun run = alignWithProfile(kFixedSeries, kSearchOnlyProfileText);
  ASSERT_EQ(run.records.size(), kDefaultCameras.size());
  for (std::size_t i = 0; i < run.records.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "camera " << i);
    const std::vector<double> numbers = cameraNumbers(run.records[i]);
    ASSERT_EQ(numbers.size(), kDefaultCameras[i].size());
    for (std::size_t j = 0; j < numbers.size(); ++j)
      EXPECT_EQ(hexFloat(numbers[j]), hexFloat(kDefaultCameras[i][j])) << "number " << j;
  }
}

class PreciseProfile : public testing::TestWithParam<ProfileSeries> {};

// Focal length within 0.5 %, every turn between neighbours within 0.1°, the field of view the
// series covers (yaw span plus one photo's field of view) within 0.5 % and the lens's radial
// coefficient within 0.005.
TEST_P(PreciseProfile, StaysWithinItsAccuracyLimits) {
  const ProfileSeries s = GetParam();
  const ProfileRun run = alignWithProfile(s, kPreciseProfileText);
  const double focal = run.records[0].focal;
  EXPECT_LT(std::fabs(focal / s.focal - 1), 0.005) << "focal " << focal;

  double yawSpan = 0;
  double trueYawSpan = 0;
  for (std::size_t i = 1; i < run.records.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "pair " << i);
    const double yaw = relativeYaw(run.records[i - 1].rotation, run.records[i].rotation);
    const double trueYaw = relativeYaw(test::cameraToWorld(run.truth.poses[i - 1]),
                                       test::cameraToWorld(run.truth.poses[i]));
    EXPECT_LT(std::fabs(yaw - trueYaw), 0.1 * kDegree) << "yaw " << yaw / kDegree << " deg";
    yawSpan += yaw;
    trueYawSpan += trueYaw;
  }
  const double fieldOfView = yawSpan + test::horizontalFieldOfView(focal);
  const double trueFieldOfView = trueYawSpan + test::horizontalFieldOfView(s.focal);
  EXPECT_LT(std::fabs(fieldOfView / trueFieldOfView - 1), 0.005);
  EXPECT_NEAR(run.records[0].radial, s.radial, 0.005);
}

INSTANTIATE_TEST_SUITE_P(
    Series, PreciseProfile,
    testing::Values(
        ProfileSeries{"Mountains800Tilted", "mountains", {800, 600}, 2.3, 0.35, 4, 0.02, 0.015},
        ProfileSeries{"Trail800Overlap30", "trail", {800, 600}, 2.4, 0.30, 4, 0.026, 0.017},
        ProfileSeries{
            "Mountains640Exposure", "mountains", {640, 480}, 2.4, 0.25, 4, 0.012, 0, 1.23},
        ProfileSeries{"Trail800Barrel", "trail", {800, 600}, 1.6, 0.3, 4, 0.02, 0.01, 1, -0.05},
        ProfileSeries{"Trail800Pincushion", "trail", {800, 600}, 1.8, 0.35, 4, 0.015, 0, 1, 0.03},
        // The second pair's overlap matches at another offset and settles in another focal
        // length; aligned again with the others' lens it finds its turn.
        ProfileSeries{
            "Joined1024Overlap45", nullptr, {1024, 768}, 1.625, 0.45, 5, 1.5 * kDegree, kDegree},
        // A wide lens (80° field of view, 56° turns): the small-angle step loses the pairs from
        // the coarse offset, the exact one holds them.
        ProfileSeries{"Joined1024Wide", nullptr, {1024, 768}, 1.2, 0.3, 5, 1.5 * kDegree, kDegree}),
    [](const auto& info) { return std::string(info.param.name); });

// The trail sample's first pair does not travel from the lens slider's guess (53 % long) to
// its focal length on one level; the precise profile's search over starting focal lengths finds
// it from the same guess.
TEST(PreciseProfile, FindsTheTrailSamplesFocalLengthFromTheSlidersGuess) {
  const auto photos = test::samplePhotos("trail");
  ASSERT_GE(photos.size(), 2u);
  std::vector<RgbImage> pictures;
  ImageSize size;
  for (std::size_t i = 0; i < 2; ++i) {
    test::Picture picture = test::loadPicture(photos[i]);
    size = picture.size;
    pictures.push_back(std::move(picture.pixels));
  }
  const test::AlignmentInput input = test::alignmentInput(pictures, size);
  const std::string truth = test::fileText(test::samplesDir() / "trail" / "truth.json");
  const std::size_t key = truth.find("\"focal_px\":");
  ASSERT_NE(key, std::string::npos);
  const double trueFocal = 2 * std::strtod(truth.c_str() + key + 11, nullptr) / size.width;

  StitchParams params = paramsFromProfileText(kPreciseProfileText);
  std::vector<CameraRecord> records(input.planes.size() + 1);
  records[0].focal = records[1].focal = initialFocalLength(params);
  ASSERT_GT(records[0].focal / trueFocal, 1.4);
  NullTrace trace;
  alignAll(input.planes, size, records, params, nullptr, trace, nullptr, input.features);
  EXPECT_NEAR(records[0].focal / trueFocal, 1, 0.005) << "focal " << records[0].focal;
}

}  // namespace
}  // namespace skylacer
