// SPDX-License-Identifier: GPL-3.0-or-later
// Rotate/flip codes: each code against a hand-turned picture, and the codes composing as the
// symmetries of a rectangle, for pictures over caller pixels and for decoded PNG files.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "tests/platform/imaging_pictures.h"

namespace skylacer::imaging::test {
namespace {

// The 3 x 2 picture
//   a b c
//   d e f
// with pixel k (a = 0 ... f = 5) holding the bytes 10k+1, 10k+2, 10k+3.
Picture labelledPicture(int width, int height, const std::vector<int>& labels) {
  Picture picture(width, height);
  for (int i = 0; i < width * height; ++i)
    for (int channel = 0; channel < 3; ++channel)
      picture.bytes[static_cast<std::size_t>(3 * i + channel)] =
          static_cast<std::uint8_t>(10 * labels[static_cast<std::size_t>(i)] + channel + 1);
  return picture;
}

Picture upright() {
  return labelledPicture(3, 2, {0, 1, 2, 3, 4, 5});
}

struct TurnedPicture {
  int code;
  int width;
  int height;
  std::vector<int> labels;  // rows top to bottom
};

// Worked out by hand from the picture above.
const std::array<TurnedPicture, 8> kTurnedPictures = {{
    {0, 3, 2, {0, 1, 2, 3, 4, 5}},  // a b c / d e f
    {1, 2, 3, {3, 0, 4, 1, 5, 2}},  // d a / e b / f c       (90 degrees clockwise)
    {2, 3, 2, {5, 4, 3, 2, 1, 0}},  // f e d / c b a         (180)
    {3, 2, 3, {2, 5, 1, 4, 0, 3}},  // c f / b e / a d       (270 clockwise)
    {4, 3, 2, {2, 1, 0, 5, 4, 3}},  // c b a / f e d         (mirrored)
    {5, 2, 3, {0, 3, 1, 4, 2, 5}},  // a d / b e / c f       (90, mirrored: transposed)
    {6, 3, 2, {3, 4, 5, 0, 1, 2}},  // d e f / a b c         (180, mirrored: upside down)
    {7, 2, 3, {5, 2, 4, 1, 3, 0}},  // f c / e b / d a       (270, mirrored)
}};

void PrintTo(const TurnedPicture& turned, std::ostream* out) {
  *out << "code " << turned.code;
}

// Where the picture comes from: the caller's pixels, or a PNG decoded on demand.
enum class Source { CallerPixels, PngInMemory };

void PrintTo(Source source, std::ostream* out) {
  *out << (source == Source::CallerPixels ? "caller pixels" : "PNG in memory");
}

struct SourcedPicture {
  Picture pixels;  // kept alive for a bitmap over caller pixels
  std::unique_ptr<Bitmap> bitmap;
};

SourcedPicture open(Source source, Picture picture) {
  SourcedPicture opened{std::move(picture), nullptr};
  opened.bitmap = source == Source::CallerPixels ? opened.pixels.view()
                                                 : Bitmap::fromMemory(pngBytes(opened.pixels));
  return opened;
}

class ImagingRotateFlipCode : public testing::TestWithParam<std::tuple<Source, TurnedPicture>> {};

TEST_P(ImagingRotateFlipCode, ReadsAsTurnedByHand) {
  const auto& [source, turned] = GetParam();
  SourcedPicture opened = open(source, upright());
  ASSERT_EQ(opened.bitmap->rotateFlip(turned.code), ImagingStatus::Ok);
  EXPECT_EQ(opened.bitmap->width(), turned.width);
  EXPECT_EQ(opened.bitmap->height(), turned.height);
  const Picture expected = labelledPicture(turned.width, turned.height, turned.labels);
  EXPECT_TRUE(picturesClose(readWhole(*opened.bitmap), expected, 0));
}

TEST_P(ImagingRotateFlipCode, LocksAsTurnedByHand) {
  const auto& [source, turned] = GetParam();
  SourcedPicture opened = open(source, upright());
  ASSERT_EQ(opened.bitmap->rotateFlip(turned.code), ImagingStatus::Ok);
  LockedRows locked;
  ASSERT_EQ(opened.bitmap->lockRows(locked), ImagingStatus::Ok);
  ASSERT_EQ(locked.width, turned.width);
  ASSERT_EQ(locked.height, turned.height);
  const Picture lockedCopy = copyOfLocked(locked);
  EXPECT_EQ(opened.bitmap->unlockRows(), ImagingStatus::Ok);
  EXPECT_TRUE(
      picturesClose(lockedCopy, labelledPicture(turned.width, turned.height, turned.labels), 0));
  // Once laid out, the bitmap reads the same and turns on from there.
  EXPECT_TRUE(picturesClose(readWhole(*opened.bitmap), lockedCopy, 0));
}

INSTANTIATE_TEST_SUITE_P(EachCode, ImagingRotateFlipCode,
                         testing::Combine(testing::Values(Source::CallerPixels,
                                                          Source::PngInMemory),
                                          testing::ValuesIn(kTurnedPictures)));

// Applies the codes one after another to a fresh bitmap each time, reading the pixels back in
// between: the slow, obviously right way to compose.
Picture turnStepByStep(Picture picture, const std::vector<int>& codes) {
  for (const int code : codes) {
    auto bitmap = picture.view();
    EXPECT_EQ(bitmap->rotateFlip(code), ImagingStatus::Ok);
    picture = readWhole(*bitmap);
  }
  return picture;
}

Picture turnRecorded(Source source, const std::vector<int>& codes) {
  SourcedPicture opened = open(source, upright());
  for (const int code : codes) EXPECT_EQ(opened.bitmap->rotateFlip(code), ImagingStatus::Ok);
  return readWhole(*opened.bitmap);
}

class ImagingRecordedTurns : public testing::TestWithParam<Source> {};

TEST_P(ImagingRecordedTurns, ComposeLikeTurnsAppliedOneByOne) {
  for (int first = 0; first < kRotateFlipCodes; ++first) {
    for (int second = 0; second < kRotateFlipCodes; ++second) {
      SCOPED_TRACE("codes " + std::to_string(first) + " then " + std::to_string(second));
      EXPECT_TRUE(picturesClose(turnRecorded(GetParam(), {first, second}),
                                turnStepByStep(upright(), {first, second}), 0));
    }
  }
}

TEST_P(ImagingRecordedTurns, UndoEachOther) {
  const std::vector<std::vector<int>> identities = {
      {1, 1, 1, 1}, {1, 3}, {3, 1}, {2, 2}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {1, 4, 1, 4}};
  for (const auto& codes : identities) {
    SCOPED_TRACE(testing::PrintToString(codes));
    EXPECT_TRUE(picturesClose(turnRecorded(GetParam(), codes), upright(), 0));
  }
}

INSTANTIATE_TEST_SUITE_P(BothSources, ImagingRecordedTurns,
                         testing::Values(Source::CallerPixels, Source::PngInMemory));

TEST(ImagingRotateFlip, RefusesCodesOutsideTheEight) {
  Picture picture = upright();
  auto bitmap = picture.view();
  for (const int code : {-1, 8, 100}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(bitmap->rotateFlip(code), ImagingStatus::InvalidParameter);
    EXPECT_EQ(bitmap->lastStatus(), ImagingStatus::InvalidParameter);
  }
  // A refused code leaves the picture as it was.
  EXPECT_TRUE(picturesClose(readWhole(*bitmap), upright(), 0));
}

TEST(ImagingRotateFlip, OverCallerPixelsLeavesTheCallersBufferAsItWas) {
  Picture picture = upright();
  auto bitmap = picture.view();
  ASSERT_EQ(bitmap->rotateFlip(1), ImagingStatus::Ok);
  LockedRows locked;
  ASSERT_EQ(bitmap->lockRows(locked), ImagingStatus::Ok);
  EXPECT_NE(locked.rows, picture.bytes.data());
  EXPECT_TRUE(picturesClose(picture, upright(), 0));
}

}  // namespace
}  // namespace skylacer::imaging::test
