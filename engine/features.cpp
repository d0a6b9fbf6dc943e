#include "engine/features.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>
#include <tuple>

namespace skylacer {

namespace {

// Low enough for grass, cloud and bark to yield points; the strongest kMostFeatures are kept.
constexpr double kContrastThreshold = 0.01;
constexpr float kDistanceRatio = 0.8F;

// A lower threshold for planes with few points at the usual one.
constexpr double kLowContrastThreshold = 0.003;

// The plane halved (2 x 2 means) `halvings` times.
cv::Mat reducedPlane(const GreyImage& plane, ImageSize size, int halvings) {
  cv::Mat image(size.height, size.width, CV_8UC1, const_cast<std::uint8_t*>(plane.data()));
  for (int k = 0; k < halvings; ++k) {
    cv::Mat half;
    cv::resize(image, half, cv::Size(image.cols / 2, image.rows / 2), 0, 0, cv::INTER_AREA);
    image = half;
  }
  return image.clone();
}

// Points strongest first; ties in a fixed order. Detection runs on several threads and hands
// its points back in the order they finished.
std::vector<cv::KeyPoint> detectStrongestFirst(const cv::Mat& image, double contrastThreshold) {
  cv::Ptr<cv::SIFT> sift = cv::SIFT::create(0, 3, contrastThreshold);
  std::vector<cv::KeyPoint> keypoints;
  sift->detect(image, keypoints);
  std::sort(keypoints.begin(), keypoints.end(), [](const cv::KeyPoint& a, const cv::KeyPoint& b) {
    return std::tie(b.response, a.pt.y, a.pt.x, a.size, a.angle, a.octave) <
           std::tie(a.response, b.pt.y, b.pt.x, b.size, b.angle, b.octave);
  });
  return keypoints;
}

// At most kMostFeatures of the points (strongest first), the strongest of every cell of a
// kCells x kCells grid taken first, so that sky, water or cloud beside a busy part of the
// photograph keep their few points, which may be all an overlap has.
constexpr int kCells = 8;
std::vector<cv::KeyPoint> spreadOverPlane(const std::vector<cv::KeyPoint>& strongestFirst,
                                          int width, int height) {
  if (strongestFirst.size() <= static_cast<std::size_t>(kMostFeatures)) return strongestFirst;
  constexpr int quota = kMostFeatures / (2 * kCells * kCells);
  std::vector<int> taken(kCells * kCells, 0);
  std::vector<bool> chosen(strongestFirst.size(), false);
  std::size_t count = 0;
  for (std::size_t i = 0; i < strongestFirst.size(); ++i) {
    const cv::Point2f point = strongestFirst[i].pt;
    const int cx = std::clamp(static_cast<int>(point.x * kCells / width), 0, kCells - 1);
    const int cy = std::clamp(static_cast<int>(point.y * kCells / height), 0, kCells - 1);
    int& cell = taken[static_cast<std::size_t>(cy * kCells + cx)];
    if (cell < quota) {
      ++cell;
      chosen[i] = true;
      ++count;
    }
  }
  for (std::size_t i = 0; i < strongestFirst.size() && count < kMostFeatures; ++i) {
    if (chosen[i]) continue;
    chosen[i] = true;
    ++count;
  }
  std::vector<cv::KeyPoint> spread;
  spread.reserve(count);
  for (std::size_t i = 0; i < strongestFirst.size(); ++i)
    if (chosen[i]) spread.push_back(strongestFirst[i]);
  return spread;
}

}  // namespace

GreyImage greyFromRgb(const RgbImage& rgb, ImageSize size) {
  GreyImage grey(checkedElementCount(size, 1));
  for (std::size_t i = 0; i < grey.size(); ++i) {
    const std::uint8_t* pixel = rgb.data() + 3 * i;  // blue, green, red
    grey[i] =
        static_cast<std::uint8_t>((29 * pixel[0] + 150 * pixel[1] + 77 * pixel[2] + 128) >> 8);
  }
  return grey;
}

GreyImage greyFromLuma(const LumaImage& luma, ImageSize size) {
  GreyImage grey(checkedElementCount(size, 1));
  for (std::size_t i = 0; i < grey.size(); ++i)
    grey[i] = static_cast<std::uint8_t>(std::clamp(luma[i] / 3, 0, 255));
  return grey;
}

FeatureSet detectFeatures(const GreyImage& plane, ImageSize size) {
  FeatureSet features;
  if (size.width < 16 || size.height < 16) return features;
  int halvings = 0;
  while (std::int64_t{size.width >> halvings} * (size.height >> halvings) > kFeaturePlanePixels)
    ++halvings;
  const cv::Mat image = reducedPlane(plane, size, halvings);

  std::vector<cv::KeyPoint> keypoints = detectStrongestFirst(image, kContrastThreshold);
  if (keypoints.size() < static_cast<std::size_t>(kFewFeatures))
    keypoints = detectStrongestFirst(image, kLowContrastThreshold);
  keypoints = spreadOverPlane(keypoints, image.cols, image.rows);
  cv::Ptr<cv::SIFT> sift = cv::SIFT::create();
  cv::Mat descriptors;
  sift->compute(image, keypoints, descriptors);
  if (descriptors.rows != static_cast<int>(keypoints.size()) ||
      descriptors.cols != FeatureSet::kDescriptorLength || descriptors.type() != CV_32F)
    return features;

  // A reduced pixel j covers working columns scale·j .. scale·j + scale - 1.
  const double scale = static_cast<double>(1 << halvings);
  const double width = size.width;
  features.points.reserve(keypoints.size());
  for (const cv::KeyPoint& point : keypoints) {
    const double column = scale * point.pt.x + (scale - 1) / 2;
    const double row = scale * point.pt.y + (scale - 1) / 2;
    features.points.push_back({(2 * column - width) / width, (2 * row - size.height) / width});
  }
  features.descriptors.assign(descriptors.ptr<float>(0),
                              descriptors.ptr<float>(0) + descriptors.total());
  return features;
}

std::vector<FeatureMatch> matchFeatures(const FeatureSet& previous, const FeatureSet& current) {
  std::vector<FeatureMatch> matches;
  if (previous.points.size() < 2 || current.points.size() < 2) return matches;
  // The descriptors are only read: the matrices wrap them without copying.
  const cv::Mat previousDescriptors(static_cast<int>(previous.points.size()),
                                    FeatureSet::kDescriptorLength, CV_32F,
                                    const_cast<float*>(previous.descriptors.data()));
  const cv::Mat currentDescriptors(static_cast<int>(current.points.size()),
                                   FeatureSet::kDescriptorLength, CV_32F,
                                   const_cast<float*>(current.descriptors.data()));
  cv::BFMatcher matcher(cv::NORM_L2);
  std::vector<std::vector<cv::DMatch>> forward;
  matcher.knnMatch(currentDescriptors, previousDescriptors, forward, 2);

  for (const auto& pair : forward) {
    if (pair.size() < 2 || !(pair[0].distance < kDistanceRatio * pair[1].distance)) continue;
    const int currentIndex = pair[0].queryIdx;
    const int previousIndex = pair[0].trainIdx;
    matches.push_back({previous.points[static_cast<std::size_t>(previousIndex)],
                       current.points[static_cast<std::size_t>(currentIndex)]});
  }
  return matches;
}

}  // namespace skylacer
