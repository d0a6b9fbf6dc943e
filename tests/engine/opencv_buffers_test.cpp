// SPDX-License-Identifier: GPL-3.0-or-later
// OpenCV's matrices on kept buffers: the features found on them, on threads at once, are those
// found on memory new from the system.

#include "engine/opencv_buffers.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "engine/buffers.h"
#include "engine/features.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"

namespace skylacer {
namespace {

struct GreyPhoto {
  GreyImage grey;
  ImageSize size;
};

GreyPhoto greyPhoto(const std::filesystem::path& file) {
  const auto bitmap = imaging::Bitmap::fromFile(file.string());
  const ImageSize size{bitmap->width(), bitmap->height()};
  UnfilledRgbImage pixels = makeUnfilledRgbImage(size);
  readPhotoPixels(*bitmap, pixels.data(), size);
  return {greyFromRgb(pixels, size), size};
}

void expectSameFeatures(const FeatureSet& expected, const FeatureSet& found) {
  ASSERT_EQ(found.points.size(), expected.points.size());
  for (std::size_t i = 0; i < expected.points.size(); ++i) {
    EXPECT_EQ(found.points[i].x, expected.points[i].x);
    EXPECT_EQ(found.points[i].y, expected.points[i].y);
  }
  EXPECT_TRUE(found.descriptors == expected.descriptors);
}

TEST(OpenCvBuffers, FeaturesFoundOnKeptBuffersOnTwoThreadsAreThoseFoundWithout) {
  // Photos of two sizes, so that buffers of one size are not handed out for the other.
  const std::vector<std::filesystem::path> trail = test::samplePhotos("trail");
  ASSERT_GE(trail.size(), 2U);
  std::vector<GreyPhoto> photos = {greyPhoto(trail[0]), greyPhoto(trail[1])};
  GreyPhoto smaller = photos[1];
  smaller.size = {photos[1].size.width / 2, photos[1].size.height};
  for (int row = 0; row < smaller.size.height; ++row)
    std::copy_n(photos[1].grey.begin() + row * photos[1].size.width, smaller.size.width,
                smaller.grey.begin() + row * smaller.size.width);
  smaller.grey.resize(static_cast<std::size_t>(smaller.size.width) * smaller.size.height);
  photos.push_back(smaller);

  std::vector<FeatureSet> expected;
  for (const GreyPhoto& photo : photos) expected.push_back(detectFeatures(photo.grey, photo.size));

  const OpenCvBufferReuse reuse;
  // Each thread finds every photo's features three times over, the matrices of one round going
  // back to the kept buffers for the next, while the other thread takes them too.
  std::vector<std::vector<FeatureSet>> found(2);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < found.size(); ++t)
    threads.emplace_back([&, t] {
      FeatureScratch scratch;
      for (int round = 0; round < 3; ++round)
        for (std::size_t k = 0; k < photos.size(); ++k) {
          const GreyPhoto& photo = photos[(k + t) % photos.size()];
          found[t].push_back(round == 1 ? detectFeatures(photo.grey, photo.size)
                                        : detectFeatures(photo.grey, photo.size, scratch));
        }
    });
  for (std::thread& thread : threads) thread.join();
  for (std::size_t t = 0; t < found.size(); ++t)
    for (std::size_t i = 0; i < found[t].size(); ++i) {
      SCOPED_TRACE(testing::Message() << "thread " << t << ", result " << i);
      expectSameFeatures(expected[(i % photos.size() + t) % photos.size()], found[t][i]);
    }
}

}  // namespace
}  // namespace skylacer
