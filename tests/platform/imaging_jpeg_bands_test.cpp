// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG encoder takes its rows in bands: the bytes are TurboJPEG's own for the same picture
// and settings, and a stop asked between two bands ends the encoding with nothing kept.

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/jpeg_codec.h"
#include "tests/platform/imaging_pictures.h"

namespace skylacer::imaging {
namespace {

using test::noisePicture;
using test::Picture;

// What TurboJPEG's one-call encoder writes for the picture with the settings the imaging layer
// promises: 4:2:0 below quality 90, 4:4:4 from 90 up.
std::vector<std::uint8_t> turboJpegBytes(ConstPlane picture, int quality) {
  tjhandle encoder = tjInitCompress();
  unsigned char* data = nullptr;
  unsigned long size = 0;
  const int result = tjCompress2(encoder, picture.pixels, picture.width,
                                 static_cast<int>(picture.stride), picture.height, TJPF_BGR, &data,
                                 &size, quality >= 90 ? TJSAMP_444 : TJSAMP_420, quality, 0);
  std::vector<std::uint8_t> bytes;
  if (result == 0) bytes.assign(data, data + size);
  tjFree(data);
  tjDestroy(encoder);
  return bytes;
}

// Noise, so that every quality setting changes the bytes; 2000 pixels wide, so that a band is a
// few hundred rows and the picture several bands; a height that is no multiple of 16, and rows
// padded beyond their pixels.
struct PaddedNoise {
  static constexpr int kWidth = 2000;
  static constexpr int kHeight = 1203;
  static constexpr int kStride = 3 * kWidth + 7;
  std::vector<std::uint8_t> bytes = noisePicture(kStride / 3 + 1, kHeight, 5).bytes;
  ConstPlane plane() const { return {bytes.data(), kStride, kWidth, kHeight}; }
};

TEST(ImagingJpegBands, WritesTheBytesTurboJpegWrites) {
  const PaddedNoise noise;
  // Either side of the subsampling switch at 90 and of the transform switch at 96.
  for (const int quality : {0, 50, 75, 89, 90, 95, 96, 100}) {
    SCOPED_TRACE(quality);
    EncodedJpeg encoded;
    ASSERT_EQ(encodeJpeg(noise.plane(), quality, encoded), ImagingStatus::Ok);
    const std::vector<std::uint8_t> expected = turboJpegBytes(noise.plane(), quality);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(std::vector<std::uint8_t>(encoded.bytes().begin(), encoded.bytes().end()) ==
                expected)
        << encoded.bytes().size() << " bytes, TurboJPEG wrote " << expected.size();
  }
  // A picture of fewer rows than a band.
  Picture small = noisePicture(33, 7, 2);
  EncodedJpeg encoded;
  ASSERT_EQ(encodeJpeg({small.bytes.data(), small.stride(), 33, 7}, 75, encoded),
            ImagingStatus::Ok);
  EXPECT_TRUE(std::vector<std::uint8_t>(encoded.bytes().begin(), encoded.bytes().end()) ==
              turboJpegBytes({small.bytes.data(), small.stride(), 33, 7}, 75));
}

// The encoder's error exit leaves the encoding cleanly: a side longer than JPEG allows.
TEST(ImagingJpegBands, RefusesWhatTheFormatCannotHold) {
  const Picture wide = noisePicture(70000, 2, 3);
  EncodedJpeg encoded;
  EXPECT_EQ(encodeJpeg({wide.bytes.data(), wide.stride(), wide.width, wide.height}, 75, encoded),
            ImagingStatus::GenericError);
  EXPECT_TRUE(encoded.bytes().empty());
}

TEST(ImagingJpegBands, StopsBetweenBandsWhenAsked) {
  const PaddedNoise noise;
  std::vector<double> asked;
  const StopCheck stopAtSecond = [&](double done) {
    asked.push_back(done);
    return asked.size() == 2;
  };
  EncodedJpeg encoded;
  EXPECT_EQ(encodeJpeg(noise.plane(), 75, encoded, stopAtSecond), ImagingStatus::Aborted);
  EXPECT_TRUE(encoded.bytes().empty());
  ASSERT_EQ(asked.size(), 2u) << "asked again after the stop";
  EXPECT_GT(asked[0], 0.0);
  EXPECT_LT(asked[1], 1.0) << "the stop came after the last band";
  EXPECT_LT(asked[0], asked[1]);
}

}  // namespace
}  // namespace skylacer::imaging
