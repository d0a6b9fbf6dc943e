// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cameras_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace skylacer::cli {

namespace {

constexpr double kDegreesPerRadian = 180 / std::numbers::pi;
constexpr double kTurn = 2 * std::numbers::pi;

constexpr const char* kConventions =
    "world: x right, y down, z forward at photo 0. yaw > 0: turned right, photo 0 at 0. "
    "pitch > 0: tilted up. roll > 0: turned clockwise about the optical axis as the "
    "photographer sees it. focal_px: focal length in pixels of the full-size photo. "
    "horizontal_squeeze_per_height_squared: k of the engine's lens model, which shows the ideal "
    "point (x, y) at (x * (1 - k * y^2), y), coordinates in half photo widths from the centre. "
    "radial_k1: the radial lens r_d = r_u * (1 + k1 * r_u^2), radii in focal lengths from the "
    "centre, k1 < 0 barrel (estimated by the precise alignment, else 0). Angles in degrees.";

std::string number(double value) {
  if (!std::isfinite(value)) return "null";
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return std::string(digits, end);
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::vector<CameraReport> reportCameras(const std::vector<CameraRecord>& cameras,
                                        const std::vector<std::string>& files, int photoWidth) {
  std::vector<CameraReport> reports;
  double firstYaw = 0;
  double previousYaw = 0;
  for (std::size_t i = 0; i < cameras.size() && i < files.size(); ++i) {
    const Matrix3& r = cameras[i].rotation;
    // R = yaw about y · pitch about x · roll about z, camera to world.
    const Vec3 forward{r[0][2], r[1][2], r[2][2]};
    double yaw = std::atan2(forward.x, forward.z);
    if (i == 0) firstYaw = yaw;
    yaw -= firstYaw;
    yaw += std::round((previousYaw - yaw) / kTurn) * kTurn;
    previousYaw = yaw;
    CameraReport report;
    report.file = files[i];
    report.yawDegrees = yaw * kDegreesPerRadian;
    report.pitchDegrees =
        std::asin(std::fmax(-1.0, std::fmin(1.0, -forward.y))) * kDegreesPerRadian;
    report.rollDegrees = std::atan2(r[1][0], r[1][1]) * kDegreesPerRadian;
    report.focalPixels = cameras[i].focal * photoWidth / 2;
    report.horizontalSqueezePerHeightSquared = cameras[i].distortion;
    report.radialK1 = cameras[i].radial;
    reports.push_back(report);
  }
  return reports;
}

std::vector<PairReport> reportPairs(const std::vector<PairEvidence>& evidence, std::size_t photos) {
  std::vector<PairReport> reports;
  for (std::size_t i = 1; i < evidence.size() && photos > 0; ++i)
    reports.push_back({static_cast<int>(i), static_cast<int>(i % photos) + 1,
                       pairConfidence(evidence[i]), evidence[i].inliersKept});
  return reports;
}

std::string camerasJson(const std::vector<CameraReport>& cameras, ImageSize panoramaSize,
                        double fieldOfViewDegrees, const std::vector<PairReport>& pairs) {
  std::string json = "{\n  \"conventions\": " + quoted(kConventions) + ",\n";
  json += "  \"panorama\": {\"width\": " + std::to_string(panoramaSize.width) +
          ", \"height\": " + std::to_string(panoramaSize.height) +
          ", \"hfov_deg\": " + number(fieldOfViewDegrees) + "},\n";
  json += "  \"photos\": [";
  for (std::size_t i = 0; i < cameras.size(); ++i) {
    const CameraReport& c = cameras[i];
    json += i == 0 ? "\n" : ",\n";
    json += "    {\"file\": " + quoted(c.file) + ", \"yaw_deg\": " + number(c.yawDegrees) +
            ", \"pitch_deg\": " + number(c.pitchDegrees) +
            ", \"roll_deg\": " + number(c.rollDegrees) +
            ", \"focal_px\": " + number(c.focalPixels) +
            ", \"horizontal_squeeze_per_height_squared\": " +
            number(c.horizontalSqueezePerHeightSquared) + ", \"radial_k1\": " + number(c.radialK1) +
            "}";
  }
  json += cameras.empty() ? "]" : "\n  ]";
  if (!pairs.empty()) {
    json += ",\n  \"pairs\": [";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      const PairReport& p = pairs[i];
      json += i == 0 ? "\n" : ",\n";
      json += "    {\"photos\": [" + std::to_string(p.firstPhoto) + ", " +
              std::to_string(p.secondPhoto) + "], \"confidence\": " + number(p.confidence) +
              ", \"feature_matches\": " + std::to_string(p.featureMatches) + "}";
    }
    json += "\n  ]";
  }
  return json + "\n}\n";
}

}  // namespace skylacer::cli
