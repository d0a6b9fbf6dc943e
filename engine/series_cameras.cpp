// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/series_cameras.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace skylacer {

namespace {

// The middle value of `values` (reordered), the mean of the two middle ones for an even count.
double median(std::vector<double>& values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  if (values.size() % 2 == 1) return *middle;
  return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

// The median of records 1..m's focal lengths; 0 when m < kLeastPairsForOutliers (a median of
// fewer pairs cannot tell one of them wrong).
double medianFocal(std::span<const CameraRecord> records) {
  if (records.size() < kLeastPairsForOutliers + 1) return 0;
  std::vector<double> focals;
  focals.reserve(records.size() - 1);
  for (const auto& record : records.subspan(1)) focals.push_back(record.focal);
  return median(focals);
}

bool isLensOutlier(const CameraRecord& record, double medianFocal) {
  return !(std::fabs(record.focal / medianFocal - 1) <= kLensOutlierShare);
}

// averageLens over the aligned records 1..m for which counts(record) holds; false, and nothing
// changed, when none does.
template <typename Counts>
bool averageLensOver(std::span<CameraRecord> records, Counts counts) {
  if (records.size() < 2) return false;
  double aligned = 0;
  double distortionSum = 0;
  double radialSum = 0;
  double focalSum = 0;
  for (const auto& record : records.subspan(1)) {
    if (!counts(record)) continue;
    aligned += 1;
    distortionSum += record.distortion;
    radialSum += record.radial;
    focalSum += record.focal;
  }
  if (aligned == 0) return false;
  const double distortion = distortionSum / (2 * aligned);
  const double radial = radialSum / aligned;
  const double focal = focalSum / aligned;
  for (auto& record : records) {
    record.distortion = distortion;
    record.radial = radial;
    record.focal = focal;
    record.axis.z = 2 * focal;
  }
  return true;
}

}  // namespace

void balanceRolls(std::span<CameraRecord> records) {
  if (records.size() < 2) return;
  double sum = 0;
  for (const auto& record : records) sum += record.roll;
  const double mean = sum / static_cast<double>(records.size() - 1);
  for (auto& record : records.subspan(1)) record.roll -= mean;
}

void averageLens(std::span<CameraRecord> records) {
  averageLensOver(records, [](const CameraRecord&) { return true; });
}

void averageLensWithoutOutliers(std::span<CameraRecord> records) {
  const double middle = medianFocal(records);
  const bool averaged =
      middle > 0 && averageLensOver(records, [middle](const CameraRecord& record) {
        return !isLensOutlier(record, middle);
      });
  if (!averaged) averageLens(records);
}

void chainRotations(std::span<CameraRecord> records) {
  Matrix3 chained = identityMatrix();
  for (auto& record : records) {
    chained = chained * pairRotation(record);
    record.rotation = chained;
  }
}

void levelCameras(std::span<CameraRecord> records) {
  if (records.empty()) return;
  Vec3 up{0, 1, 0};
  for (const auto& record : records.subspan(1)) up = up + matrixRow(record.rotation, 1);
  up = normalized(up);
  const Vec3 right = normalized(Vec3{1, 0, 0} - up.x * up);
  Vec3 forward = Vec3{0, 0, 1} - up.z * up;
  forward = normalized(forward - dot(forward, right) * right);
  const Matrix3 level = matrixFromRows(right, up, forward);
  for (auto& record : records) record.rotation = level * record.rotation;
}

}  // namespace skylacer
