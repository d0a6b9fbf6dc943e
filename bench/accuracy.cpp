// SPDX-License-Identifier: GPL-3.0-or-later
// Alignment accuracy against ground truth: photo series with known cameras are synthesised from
// the sample photos, stitched through the engine with one profile, and the estimated cameras are
// compared with the truth; then the bundled sample series, whose truth.json holds their cameras,
// and the same cameras rendered from the synthetic texture; then every series of the corpus beside
// the project (../shared/corpus), when it is there.
// Prints one Markdown table row per condition.
//
//   accuracy [--profile "13 numbers" | Default | Template | Precise] [--only TEXT] [--trace]
//            [--pairs] [--series FOLDER]...
//
// --profile  the profile text to stitch with, or the name of a built-in profile (default: the
//            built-in default profile)
// --only     run only the conditions whose name contains TEXT
// --trace    after each row, where each refinement run of each pair ended
// --pairs    after each row, each pair's true errors beside the evidence the verification weighed
// --series   run only the series in FOLDER (photos and a truth.json as the corpus has them);
//            repeatable
//
// Columns: focal error (%), worst yaw-step error (degrees, over every pair; a full circle's
// closing step is the one the chained cameras of photographs n - 1 and 0 imply), worst roll
// error (degrees: the turn about the optical axis between the estimated and the true pair
// rotation), field-of-view error (% of the true angle the open series covers, against the
// turns and one photo's angle as the estimated cameras give them; a full circle is 360 degrees
// by construction), restarts, alignment and whole-stitch time (wall clock, seconds),
// and the whole stitch's processor time (seconds, every thread: the precise profile's refinement
// runs on two cores). For series read from files (samples, corpus) also the whole stitch from
// the files as panorama-cli runs it (decoding included, the panorama encoded once at quality
// 75), the floor under it (every photo decoded once at full size, the panorama encoded once)
// and their ratio.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/messages.h"
#include "engine/stitch.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/jpeg_codec.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"

namespace skylacer {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

struct Condition {
  const char* name;
  ImageSize size{1024, 768};
  double focalPerWidth = 0.8125;  // focal length in photo widths (the trail sample's 832 px)
  double overlap = 0.30;          // angular share of a photo's field of view
  int photos = 5;                 // for a full circle: photos in the turn (overlap follows)
  bool fullCircle = false;
  double rollDeg = 1.5;   // largest roll of a photo
  double pitchDeg = 1.0;  // largest pitch of a photo
  double k1 = 0;          // radial distortion, radii in focal lengths
  double stops = 0;       // exposure of every other photo: +stops, -stops alternately
  double noise = 0;       // Gaussian sensor noise, standard deviation in 8-bit levels
  int quality = 90;       // JPEG quality the photos are stored at
};

// Open series turn 5 photos by hfov x (1 - overlap); a full circle of n photos turns 360 / n.
std::vector<Condition> conditions() {
  return {
      {.name = "base 1024x768 f0.81W ov30"},
      {.name = "k1 -0.03 (trail)", .k1 = -0.03},
      {.name = "k1 -0.05", .k1 = -0.05},
      {.name = "k1 +0.03", .k1 = 0.03},
      {.name = "overlap 25%", .overlap = 0.25},
      {.name = "overlap 45%", .overlap = 0.45},
      {.name = "focal 0.6W", .focalPerWidth = 0.6},
      {.name = "focal 1.2W", .focalPerWidth = 1.2},
      {.name = "no roll, no pitch", .rollDeg = 0, .pitchDeg = 0},
      {.name = "roll 1.5 only", .pitchDeg = 0},
      {.name = "pitch 1 only", .rollDeg = 0},
      {.name = "roll 2, pitch 1", .rollDeg = 2},
      {.name = "exposure +-0.3 stop", .stops = 0.3},
      {.name = "noise 3", .noise = 3},
      {.name = "JPEG 75", .quality = 75},
      {.name = "JPEG 95", .quality = 95},
      {.name = "8 photos ov25 focal 1.2W", .focalPerWidth = 1.2, .overlap = 0.25, .photos = 8},
      {.name = "2048x1536 (3 MP)", .size = {2048, 1536}},
      {.name = "4000x3000 (12 MP) k1 -0.03 noise 2", .size = {4000, 3000}, .k1 = -0.03, .noise = 2},
      {.name = "full circle 8", .photos = 8, .fullCircle = true},
      {.name = "full circle 8 k1 -0.03", .photos = 8, .fullCircle = true, .k1 = -0.03},
      {.name = "full circle 12 f1.2W", .focalPerWidth = 1.2, .photos = 12, .fullCircle = true},
  };
}

// Texture for the cylinder: four sample photos that share no scene side by side.
test::Picture cylinderTexture(const std::string& samples) {
  return test::sideBySide({samples + "/mountains/IMG_0001.jpg", samples + "/trail/IMG_0001.jpg",
                           samples + "/mountains/IMG_0003.jpg", samples + "/trail/IMG_0003.jpg"});
}

test::PhotoSeries seriesFor(const Condition& c) {
  const double focal = 2 * c.focalPerWidth;  // half widths
  const double hfov = test::horizontalFieldOfView(focal);
  const double overlap = c.fullCircle ? 1 - 2 * std::numbers::pi / c.photos / hfov : c.overlap;
  std::vector<double> rolls;
  for (int i = 0; i < c.photos; ++i) rolls.push_back(c.rollDeg * kDegree * std::sin(2.1 * i + 0.5));
  test::PhotoSeries series = test::turningSeries(c.size, focal, overlap, rolls);
  for (int i = 0; i < c.photos; ++i) {
    series.poses[static_cast<std::size_t>(i)].pitch =
        c.pitchDeg * kDegree * std::sin(1.3 * i + 1.1);
    series.gains.push_back(std::exp2(i % 2 == 1 ? -c.stops : c.stops));
  }
  series.radialDistortion = c.k1;
  return series;
}

std::vector<RgbImage> renderPhotos(const Condition& c, const test::PhotoSeries& series,
                                   const test::Picture& texture) {
  const test::CylinderPicture cylinder =
      c.fullCircle ? test::fullTurnCylinder(texture.pixels, texture.size)
                   : test::fitCylinder(texture.pixels, texture.size, series);
  std::mt19937 generator(12345);
  std::normal_distribution<double> noise(0, c.noise);
  std::vector<RgbImage> photos;
  for (std::size_t i = 0; i < series.poses.size(); ++i) {
    RgbImage photo = test::renderPhoto(cylinder, series, i);
    if (c.noise > 0)
      for (auto& byte : photo)
        byte =
            static_cast<std::uint8_t>(std::clamp(std::round(byte + noise(generator)), 1.0, 255.0));
    photos.push_back(test::jpegRoundTrip(photo, c.size, c.quality));
  }
  return photos;
}

// A bundled sample series: its photos and the cameras of its truth.json (focal_px, k1, and per
// photo file, yaw_deg, pitch_deg, roll_deg in the conventions the file states, which are the
// synthesiser's).
struct SampleSeries {
  Condition condition;
  test::PhotoSeries truth;
  std::vector<RgbImage> photos;
  std::vector<std::filesystem::path> files;
};

double jsonNumber(const std::string& text, std::string_view key, std::size_t from) {
  const std::size_t at = text.find("\"" + std::string(key) + "\":", from);
  if (at == std::string::npos) throw std::runtime_error("truth.json has no " + std::string(key));
  return std::strtod(text.c_str() + at + key.size() + 3, nullptr);
}

std::string jsonString(const std::string& text, std::string_view key, std::size_t from) {
  const std::size_t at = text.find("\"" + std::string(key) + "\":", from);
  if (at == std::string::npos) throw std::runtime_error("truth.json has no " + std::string(key));
  const std::size_t open = text.find('"', at + key.size() + 3);
  const std::size_t close = open == std::string::npos ? open : text.find('"', open + 1);
  if (close == std::string::npos)
    throw std::runtime_error("truth.json: " + std::string(key) + " has no closing quote");
  return text.substr(open + 1, close - open - 1);
}

SampleSeries loadSampleSeries(const std::filesystem::path& folder, const char* name) {
  std::ifstream file(folder / "truth.json");
  if (!file) throw std::runtime_error("cannot read " + (folder / "truth.json").string());
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  SampleSeries sample;
  std::size_t at = text.find("\"photos\":");
  while ((at = text.find("\"file\":", at + 1)) != std::string::npos) {
    sample.files.push_back(folder / jsonString(text, "file", at));
    test::Picture photo = test::loadPicture(sample.files.back());
    sample.condition.size = photo.size;
    sample.photos.push_back(std::move(photo.pixels));
    sample.truth.poses.push_back({jsonNumber(text, "yaw_deg", at) * kDegree,
                                  jsonNumber(text, "roll_deg", at) * kDegree,
                                  jsonNumber(text, "pitch_deg", at) * kDegree});
  }
  sample.condition.name = name;
  sample.condition.photos = static_cast<int>(sample.photos.size());
  sample.condition.k1 = jsonNumber(text, "k1", 0);
  sample.truth.photoSize = sample.condition.size;
  sample.truth.focal = 2 * jsonNumber(text, "focal_px", 0) / sample.condition.size.width;
  sample.truth.radialDistortion = sample.condition.k1;
  return sample;
}

// Counts restart texts and keeps the time the composing phase began.
class RunWatch final : public IProgress {
 public:
  int PushRange(double, double) override { return 0; }
  void PopRange() override {}
  bool Report(double, const char* text) override {
    if (text == nullptr) return false;
    if (engineText(EngineText::StitchingImages) == text)
      composing = std::chrono::steady_clock::now();
    for (auto id : {EngineText::UnsuitableAngle, EngineText::UnsuitableDistortion,
                    EngineText::UnsuitableFocalLength})
      restarts += engineText(id) == text ? 1 : 0;
    return false;
  }
  int restarts = 0;
  std::chrono::steady_clock::time_point composing;
};

// Turn to the right from camera a to camera b (camera-to-world rotations), radians.
double relativeYaw(const Matrix3& a, const Matrix3& b) {
  const Vec3 forward = (transposed(a) * b) * Vec3{0, 0, 1};
  return std::atan2(forward.x, forward.z);
}

// Turn about the optical axis that takes the true pair rotation to the estimated one, radians.
double relativeRollError(const Matrix3& a, const Matrix3& b, const Matrix3& trueA,
                         const Matrix3& trueB) {
  const Matrix3 error = transposed(transposed(trueA) * trueB) * (transposed(a) * b);
  return std::atan2(error[1][0], error[0][0]);
}

double wrapAngle(double angle) {
  return std::remainder(angle, 2 * std::numbers::pi);
}

struct Figures {
  double focalError = 0;  // relative
  double worstYaw = 0;    // radians
  double worstRoll = 0;   // radians
  double fovError = 0;    // relative; NaN for a full circle
  int restarts = 0;
  double alignSeconds = 0;
  double totalSeconds = 0;
  double totalCpuSeconds = 0;
  double focalPx = 0;
  double distortion = 0;
  double radial = 0;
  double leastConfidence = 1;  // of the series' pairs
  std::string verdict;         // "ok", or why the verification refused the series
  // One line per pair: its true errors beside the evidence the verification weighed.
  std::string pairLines;
};

std::string verdictText(const StitchResult& result) {
  if (!result.refusal) return result.closesFullCircle ? "ok (closes a circle)" : "ok";
  const AlignmentRefusal& refusal = *result.refusal;
  switch (refusal.problem) {
    case AlignmentProblem::TooLittleDetail:
    case AlignmentProblem::UncertainLens:
      return std::string(refusal.problem == AlignmentProblem::UncertainLens ? "refused (lens)"
                                                                            : "refused") +
             ": pair " + std::to_string(refusal.firstPhoto + 1) + "-" +
             std::to_string(refusal.secondPhoto + 1);
    case AlignmentProblem::WrongOrder: {
      std::string order = "refused: order";
      for (const int photo : refusal.order) order += " " + std::to_string(photo + 1);
      return order;
    }
    case AlignmentProblem::NotAFullCircle:
      return "refused: covers " + std::to_string(static_cast<int>(refusal.coveredDegrees)) + " deg";
    case AlignmentProblem::DifferentSize:
      return "refused: photo " + std::to_string(refusal.firstPhoto + 1) + " has another size";
  }
  return {};
}

Figures measure(const Condition& c, const test::PhotoSeries& series, std::vector<RgbImage> photos,
                const StitchParams& profile, TraceSink& trace) {
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> views;
  for (auto& photo : photos) {
    bitmaps.push_back(
        imaging::Bitmap::overPixels(photo.data(), c.size.width, c.size.height, 3 * c.size.width));
    views.push_back(bitmaps.back().get());
  }
  StitchParams params = profile;
  params.full360 = c.fullCircle ? 1 : 0;
  RunWatch watch;
  const std::clock_t startCpu = std::clock();
  const auto start = std::chrono::steady_clock::now();
  const auto result = stitchPanorama(views, params, &watch, trace, AlignmentCheck::StitchAnyway);
  const auto end = std::chrono::steady_clock::now();
  const std::clock_t endCpu = std::clock();
  if (!result) throw std::runtime_error(std::string(c.name) + ": the stitch gave no panorama");

  Figures figures;
  figures.restarts = watch.restarts;
  figures.alignSeconds = std::chrono::duration<double>(watch.composing - start).count();
  figures.totalSeconds = std::chrono::duration<double>(end - start).count();
  figures.totalCpuSeconds = static_cast<double>(endCpu - startCpu) / CLOCKS_PER_SEC;
  const auto& cameras = result->cameras;
  figures.focalError = cameras[0].focal / series.focal - 1;
  figures.focalPx = cameras[0].focal * c.size.width / 2;
  figures.distortion = cameras[0].distortion;
  figures.radial = cameras[0].radial;
  figures.verdict = verdictText(*result);
  for (std::size_t i = 1; i < result->pairs.size(); ++i)
    figures.leastConfidence = std::min(figures.leastConfidence, pairConfidence(result->pairs[i]));

  const std::size_t n = cameras.size();
  const std::size_t steps = c.fullCircle ? n : n - 1;
  for (std::size_t s = 1; s <= steps; ++s) {
    const std::size_t a = s - 1;
    const std::size_t b = s % n;
    const Matrix3 trueA = test::cameraToWorld(series.poses[a]);
    const Matrix3 trueB = test::cameraToWorld(series.poses[b]);
    const double yawError = wrapAngle(relativeYaw(cameras[a].rotation, cameras[b].rotation) -
                                      relativeYaw(trueA, trueB));
    figures.worstYaw = std::max(figures.worstYaw, std::fabs(yawError));
    const double rollError =
        relativeRollError(cameras[a].rotation, cameras[b].rotation, trueA, trueB);
    figures.worstRoll = std::max(figures.worstRoll, std::fabs(rollError));
    if (s < result->pairs.size()) {
      const PairEvidence& e = result->pairs[s];
      char line[320];
      std::snprintf(
          line, sizeof line,
          "    pair %zu-%zu: yaw err %+.3f° roll err %+.3f° | inliers %d kept %d turn "
          "dev %.4f° roll dev %.4f° focal dev %.3f%% | correlation %.4f near %.4f compared %d | "
          "confidence %.2f\n",
          a + 1, b + 1, yawError / kDegree, rollError / kDegree, e.inliers, e.inliersKept,
          e.turnDeviation / kDegree, e.rollDeviation / kDegree, 100 * e.focalDeviation,
          e.correlation, e.nearCorrelation, e.compared, pairConfidence(e));
      figures.pairLines += line;
    }
  }
  if (c.fullCircle) {
    figures.fovError = std::nan("");
  } else {
    // The angle the photos span as the cameras place them (the crop may cut columns at the
    // ends of the panorama itself): the turns between neighbours and one photo's angle.
    const double trueAngle = series.poses.back().yaw - series.poses.front().yaw +
                             test::horizontalFieldOfView(series.focal);
    double angle = test::horizontalFieldOfView(cameras[0].focal);
    for (std::size_t s = 1; s < n; ++s)
      angle += relativeYaw(cameras[s - 1].rotation, cameras[s].rotation);
    figures.fovError = angle / trueAngle - 1;
  }
  return figures;
}

// The focal length (pixels) and roll (degrees) each refinement run began its last step with,
// and its number of steps, from the trace's step lines: a run starts where the step number
// falls back to 0.
std::string refinementEnds(const std::string& text, int width) {
  std::string out;
  double lastFocal = 0;
  double lastRoll = 0;
  int lastStep = -1;
  std::size_t at = 0;
  auto flush = [&] {
    if (lastStep >= 0) {
      char item[64];
      std::snprintf(item, sizeof item, " %.1f/%.2f(%d)", lastFocal * width / 2, lastRoll / kDegree,
                    lastStep + 1);
      out += item;
    }
  };
  while ((at = text.find(" al = ", at)) != std::string::npos) {
    const std::size_t lineStart = text.rfind("   ", at);
    const int step = std::stoi(text.substr(lineStart, at - lineStart));
    const double roll = std::stod(text.substr(at + 6));
    const std::size_t focusAt = text.find("focus = ", at) + 8;
    const double focal = std::stod(text.substr(focusAt));
    if (step == 0) flush();
    lastStep = step;
    lastFocal = focal;
    lastRoll = roll;
    ++at;
  }
  flush();
  return out;
}

bool selected(std::string_view name, std::string_view only) {
  return only.empty() || name.find(only) != std::string_view::npos;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double encodeSeconds(const ComposedPanorama& panorama) {
  const auto start = std::chrono::steady_clock::now();
  imaging::EncodedJpeg encoded;
  const imaging::ConstPlane plane{panorama.picture(), panorama.stride, panorama.size.width,
                                  panorama.size.height};
  if (imaging::encodeJpeg(plane, 75, encoded) != imaging::ImagingStatus::Ok)
    throw std::runtime_error("the panorama did not encode");
  return secondsSince(start);
}

// The whole stitch from the photo files, decoding included, with the panorama encoded once (as
// panorama-cli stitch -o runs it), and the floor under it: every photo decoded once at full size
// and the panorama encoded once. Both wall time, on the cores the stitch uses.
struct FileTimes {
  double stitchSeconds = 0;
  double floorSeconds = 0;
};
FileTimes timeFromFiles(std::span<const std::filesystem::path> files, const StitchParams& profile,
                        bool fullCircle) {
  FileTimes times;
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> views;
  auto start = std::chrono::steady_clock::now();
  for (const auto& file : files) {
    bitmaps.push_back(imaging::Bitmap::fromFile(file.string()));
    views.push_back(bitmaps.back().get());
  }
  StitchParams params = profile;
  params.full360 = fullCircle ? 1 : 0;
  NullTrace trace;
  const auto result = stitchPanorama(views, params, nullptr, trace, AlignmentCheck::StitchAnyway);
  if (!result) throw std::runtime_error("the stitch from the files gave no panorama");
  times.stitchSeconds = secondsSince(start);
  const double encoding = encodeSeconds(result->panorama);
  times.stitchSeconds += encoding;

  start = std::chrono::steady_clock::now();
  for (const auto& file : files) {
    auto bitmap = imaging::Bitmap::fromFile(file.string());
    const RgbImage pixels = imageToRgb(*bitmap, {bitmap->width(), bitmap->height()}, true);
    if (pixels.empty()) throw std::runtime_error("cannot decode " + file.string());
  }
  times.floorSeconds = secondsSince(start) + encoding;
  return times;
}

struct Options {
  bool showTrace = false;
  bool showPairs = false;
};

void printRow(const Condition& c, const test::PhotoSeries& series, std::vector<RgbImage> photos,
              const StitchParams& profile, Options options,
              std::span<const std::filesystem::path> files = {}) {
  StringTrace trace;
  const Figures f = measure(c, series, std::move(photos), profile, trace);
  char fromFiles[64] = "- | - | -";
  if (!files.empty()) {
    const FileTimes times = timeFromFiles(files, profile, c.fullCircle);
    std::snprintf(fromFiles, sizeof fromFiles, "%.3f | %.3f | %.2f", times.stitchSeconds,
                  times.floorSeconds, times.stitchSeconds / times.floorSeconds);
  }
  char fov[32] = "360 (closed)";
  if (!std::isnan(f.fovError)) std::snprintf(fov, sizeof fov, "%+.2f", 100 * f.fovError);
  std::printf(
      "| %s | %d%s %dx%d | %.1f (%.1f) | %+.2f | %.3f | %.3f | %s | %+.4f | %+.4f (%+.3f) | %d | "
      "%.3f | %.3f | %.3f | %s | %.2f | %s |\n",
      c.name, c.photos, c.fullCircle ? " circle" : "", c.size.width, c.size.height, f.focalPx,
      series.focal * c.size.width / 2, 100 * f.focalError, f.worstYaw / kDegree,
      f.worstRoll / kDegree, fov, f.distortion, f.radial, series.radialDistortion, f.restarts,
      f.alignSeconds, f.totalSeconds, f.totalCpuSeconds, fromFiles, f.leastConfidence,
      f.verdict.c_str());
  if (options.showPairs) std::printf("%s", f.pairLines.c_str());
  if (options.showTrace)
    std::printf("    refinement runs: focal px / roll deg at the last step (steps):%s\n",
                refinementEnds(trace.text(), c.size.width).c_str());
  std::fflush(stdout);
}

}  // namespace
}  // namespace skylacer

int main(int argc, char** argv) {
  using namespace skylacer;
  std::string profileText(kDefaultProfileText);
  std::string only;
  Options options;
  std::vector<std::filesystem::path> seriesFolders;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--profile" && i + 1 < argc) {
      const std::string_view value = argv[++i];
      profileText = value == "Default"    ? kDefaultProfileText
                    : value == "Template" ? kProfileTemplateText
                    : value == "Precise"  ? kPreciseProfileText
                                          : value;
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "--trace") {
      options.showTrace = true;
    } else if (arg == "--pairs") {
      options.showPairs = true;
    } else if (arg == "--series" && i + 1 < argc) {
      seriesFolders.emplace_back(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: accuracy [--profile \"13 numbers\" | Default | Template | Precise] "
                   "[--only TEXT] [--trace] [--pairs] [--series FOLDER]...\n");
      return 2;
    }
  }
  const StitchParams profile = paramsFromProfileText(profileText);
  const test::Picture texture = cylinderTexture(SKYLACER_SAMPLES_DIR);

  std::printf("profile: %s\n\n", formatProfileText(profile).c_str());
  std::printf(
      "| condition | photos | focal px (true) | focal err %% | worst yaw-step err ° | "
      "worst roll err ° | FOV err %% | k | k1 (true) | restarts | align s | total s | "
      "total cpu s | from files s | floor s | x floor | least confidence | verdict |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const auto& folder : seriesFolders) {
    const std::string label = "series " + folder.filename().string();
    SampleSeries series = loadSampleSeries(folder, label.c_str());
    printRow(series.condition, series.truth, std::move(series.photos), profile, options,
             series.files);
  }
  if (!seriesFolders.empty()) return 0;
  for (const Condition& c : conditions()) {
    if (!selected(c.name, only)) continue;
    const test::PhotoSeries series = seriesFor(c);
    printRow(c, series, renderPhotos(c, series, texture), profile, options);
  }
  for (const char* name : {"trail", "mountains"}) {
    const std::string label = std::string("sample ") + name;
    if (!selected(label, only)) continue;
    SampleSeries sample =
        loadSampleSeries(std::filesystem::path(SKYLACER_SAMPLES_DIR) / name, label.c_str());
    printRow(sample.condition, sample.truth, std::move(sample.photos), profile, options,
             sample.files);
    // The same cameras and lens rendered from the synthetic texture: separates what the
    // sample's content does from what its cameras do.
    Condition synthetic = sample.condition;
    const std::string synthesised = label + " cameras, synthetic texture";
    synthetic.name = synthesised.c_str();
    printRow(synthetic, sample.truth, renderPhotos(synthetic, sample.truth, texture), profile,
             options);
  }
  // The harder series beside the project, where they are.
  const std::filesystem::path corpus(SKYLACER_CORPUS_DIR);
  if (!std::filesystem::is_directory(corpus)) {
    std::printf("\n(no corpus at %s: its series were skipped)\n", corpus.string().c_str());
    return 0;
  }
  std::vector<std::filesystem::path> folders;
  for (const auto& entry : std::filesystem::directory_iterator(corpus))
    if (std::filesystem::exists(entry.path() / "truth.json")) folders.push_back(entry.path());
  std::sort(folders.begin(), folders.end());
  for (const auto& folder : folders) {
    const std::string label = "corpus " + folder.filename().string();
    if (!selected(label, only)) continue;
    SampleSeries series = loadSampleSeries(folder, label.c_str());
    printRow(series.condition, series.truth, std::move(series.photos), profile, options,
             series.files);
  }
  return 0;
}
