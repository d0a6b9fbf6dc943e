// SPDX-License-Identifier: GPL-3.0-or-later
// A JPEG encoded in stripes and joined is the one encoding of the whole picture with a restart
// marker after every row of blocks, whatever order the stripes were encoded in, and it decodes
// to the pixels of the picture encoded without markers.

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <vector>

#include "platform/imaging/jpeg_codec.h"
#include "platform/imaging/jpeg_compressor.h"
#include "platform/imaging/jpeg_stripes.h"
#include "tests/platform/imaging_pictures.h"

namespace skylacer::imaging {
namespace {

std::vector<std::uint8_t> bytesOf(const EncodedJpeg& encoded) {
  return {encoded.bytes().begin(), encoded.bytes().end()};
}

// The pixels TurboJPEG decodes, refusing any warning (a restart marker out of sequence is one).
std::vector<std::uint8_t> decoded(const std::vector<std::uint8_t>& jpeg, int width, int height) {
  std::vector<std::uint8_t> pixels(std::size_t{3} * width * height);
  tjhandle decoder = tjInitDecompress();
  const int result = tjDecompress2(decoder, jpeg.data(), jpeg.size(), pixels.data(), width,
                                   3 * width, height, TJPF_BGR, TJFLAG_STOPONWARNING);
  const std::string error = result != 0 ? tjGetErrorStr2(decoder) : "";
  tjDestroy(decoder);
  EXPECT_EQ(result, 0) << error;
  return pixels;
}

TEST(ImagingJpegStripes, JoinedStripesAreTheWholeEncodingWithRestartMarkers) {
  // 3000 wide: stripes of 336 rows, 21 rows of 4:2:0 blocks or 42 of 4:4:4 ones, so that each
  // stripe's markers must be renumbered (neither is a multiple of the eight marker numbers);
  // rows padded beyond their pixels and a last stripe that ends inside a row of blocks.
  constexpr int kWidth = 3000, kHeight = 1203, kStride = 3 * kWidth + 6;
  const std::vector<std::uint8_t> noise = test::noisePicture(kStride / 3, kHeight, 11).bytes;
  const ConstPlane picture{noise.data(), kStride, kWidth, kHeight};
  for (const int quality : {75, 95}) {
    SCOPED_TRACE(quality);
    JpegStripes stripes(picture, quality);
    ASSERT_EQ(stripes.count(), 4);
    for (int stripe = stripes.count() - 1; stripe >= 0; --stripe) stripes.encode(stripe);
    std::vector<std::uint8_t> joined;
    ASSERT_EQ(stripes.join({}, joined), ImagingStatus::Ok);

    std::vector<std::uint8_t> whole;
    ASSERT_EQ(compressJpeg(picture, quality, true, whole, {}), ImagingStatus::Ok);
    EXPECT_TRUE(joined == whole) << joined.size() << " against " << whole.size();

    EncodedJpeg plain;
    ASSERT_EQ(encodeJpeg(picture, quality, plain), ImagingStatus::Ok);
    EXPECT_TRUE(decoded(joined, kWidth, kHeight) == decoded(bytesOf(plain), kWidth, kHeight));
  }
}

TEST(ImagingJpegStripes, RefusesWhatTheFormatCannotHoldAndUnfinishedStripes) {
  // Taller than JPEG allows: refused before any row is read (the stripes alone would fit).
  const std::uint8_t pixel[3] = {};
  JpegStripes tall({pixel, 0, 1, 65501}, 75);
  EXPECT_EQ(tall.count(), 0);
  std::vector<std::uint8_t> joined;
  EXPECT_EQ(tall.join({}, joined), ImagingStatus::GenericError);

  const test::Picture small = test::noisePicture(40, 40, 3);
  JpegStripes unfinished({small.bytes.data(), small.stride(), 40, 40}, 75);
  EXPECT_EQ(unfinished.join({}, joined), ImagingStatus::Aborted);
  EXPECT_TRUE(joined.empty());
}

}  // namespace
}  // namespace skylacer::imaging
