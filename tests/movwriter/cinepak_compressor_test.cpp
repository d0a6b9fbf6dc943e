// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/cinepak_compressor.h"

#include <gtest/gtest.h>

#include "tests/movwriter/atom_reader.h"
#include "tests/movwriter/toolbox_error_code.h"

namespace skylacer::toolbox {
namespace {

std::unique_ptr<CodecLibrary> loadCodecs() {
  std::string error;
  auto codecs = CodecLibrary::load(CodecLibrary::builtSoname(), error);
  EXPECT_NE(codecs, nullptr) << error;
  return codecs;
}

TEST(CinepakCompressor, EveryFrameOfARunOfSimilarPicturesIsAKeyFrame) {
  const auto codecs = loadCodecs();
  ASSERT_NE(codecs, nullptr);
  constexpr int kWidth = 64, kHeight = 16;
  CinepakCompressor compressor(*codecs, kWidth, kHeight, kCodecHighQuality);
  Offscreen picture(kWidth, kHeight);
  for (int frame = 0; frame < 30; ++frame) {  // more than a default group of pictures
    SCOPED_TRACE("frame " + std::to_string(frame));
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth * 3; ++x) picture.row(y)[x] = std::uint8_t(x + y + (frame & 1));
    const std::vector<std::uint8_t> data = compressor.compress(picture);
    ASSERT_GE(data.size(), 10u);
    EXPECT_EQ(data[0], 0x00) << "key frame";
    EXPECT_EQ(test::be32(data, 0) & 0xFFFFFF, data.size());
    EXPECT_EQ(test::be16(data, 4), kWidth);
    EXPECT_EQ(test::be16(data, 6), kHeight);
  }
}

TEST(CinepakCompressor, AFramesBytesDependOnItsPictureAlone) {
  const auto codecs = loadCodecs();
  ASSERT_NE(codecs, nullptr);
  constexpr int kWidth = 96, kHeight = 40;
  // Noise-like pictures: the encoder's codebook search has real choices to make.
  auto picture = [](std::uint32_t seed) {
    Offscreen result(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth * 3; ++x) {
        seed = seed * 1664525u + 1013904223u;
        result.row(y)[x] = std::uint8_t(seed >> 24);
      }
    return result;
  };
  const Offscreen first = picture(1), second = picture(2);
  CinepakCompressor used(*codecs, kWidth, kHeight, kCodecHighQuality);
  used.compress(first);
  const std::vector<std::uint8_t> afterAnother = used.compress(second);
  CinepakCompressor fresh(*codecs, kWidth, kHeight, kCodecHighQuality);
  EXPECT_TRUE(fresh.compress(second) == afterAnother)
      << "the second picture's frame changed with the frame compressed before it";
}

TEST(CinepakCompressor, DescribesItsFramesAsCinepakImages) {
  const auto codecs = loadCodecs();
  ASSERT_NE(codecs, nullptr);
  const SampleDescription description =
      CinepakCompressor(*codecs, 96, 40, kCodecHighQuality).imageDescription();
  EXPECT_EQ(description.format, fourCC("cvid"));
  EXPECT_EQ(description.dataReferenceIndex, 1);
  const auto& body = description.body;
  ASSERT_EQ(body.size(), 70u) << "86 bytes with the header";
  EXPECT_EQ(test::be32(body, 8), 0u) << "no temporal quality";
  EXPECT_EQ(test::be32(body, 12), 768u) << "spatial quality";
  EXPECT_EQ(test::be16(body, 16), 96);
  EXPECT_EQ(test::be16(body, 18), 40);
  EXPECT_EQ(test::be32(body, 20), 0x00480000u) << "72 dpi";
  EXPECT_EQ(test::be16(body, 32), 1) << "one frame per sample";
  EXPECT_EQ(body[34], 7);
  EXPECT_EQ(std::string(body.begin() + 35, body.begin() + 42), "Cinepak");
  EXPECT_EQ(test::be16(body, 66), 24) << "depth";
  EXPECT_EQ(test::be16(body, 68), 0xFFFF) << "no colour table";
}

TEST(CinepakCompressor, RefusesSizesThatAreNotMultiplesOfFour) {
  const auto codecs = loadCodecs();
  ASSERT_NE(codecs, nullptr);
  for (auto [width, height] : {std::pair{6, 8}, std::pair{8, 6}, std::pair{0, 4}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    EXPECT_EQ(
        test::toolboxErrorOf([&] { CinepakCompressor(*codecs, width, height, kCodecHighQuality); }),
        codecErr);
  }
}

}  // namespace
}  // namespace skylacer::toolbox
