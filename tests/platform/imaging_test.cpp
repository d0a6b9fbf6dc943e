// SPDX-License-Identifier: GPL-3.0-or-later
// The bitmap's life: opening photo files and bytes, decoding JPEG and PNG, locking and reading
// pixels, saving JPEG, releasing, and the status every kind of bad input gives.

#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "tests/platform/imaging_pictures.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"

namespace skylacer::imaging::test {
namespace {

using skylacer::test::TempDir;

bool rowIsZero(const Picture& picture, int y) {
  const std::uint8_t* row = picture.pixel(0, y);
  return std::all_of(row, row + picture.stride(), [](std::uint8_t byte) { return byte == 0; });
}

// Encodes with TurboJPEG directly, for kinds the layer never writes (grey, progressive).
std::vector<std::uint8_t> turboJpegBytes(const void* pixels, int width, int height, int pixelFormat,
                                         int subsampling, int flags) {
  tjhandle encoder = tjInitCompress();
  unsigned char* data = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(tjCompress2(encoder, static_cast<const unsigned char*>(pixels), width, 0, height,
                        pixelFormat, &data, &size, subsampling, 90, flags),
            0);
  std::vector<std::uint8_t> bytes(data, data + size);
  tjFree(data);
  tjDestroy(encoder);
  return bytes;
}

// The start of a JPEG: start of image, then a frame header with these values.
std::vector<std::uint8_t> jpegFrameHeader(std::uint8_t marker, int precision, int width, int height,
                                          int components) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, marker};
  const int length = 8 + 3 * components;
  const std::uint8_t frame[] = {
      static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
      static_cast<std::uint8_t>(precision),   static_cast<std::uint8_t>(height >> 8),
      static_cast<std::uint8_t>(height),      static_cast<std::uint8_t>(width >> 8),
      static_cast<std::uint8_t>(width),       static_cast<std::uint8_t>(components)};
  bytes.insert(bytes.end(), std::begin(frame), std::end(frame));
  for (int c = 0; c < components; ++c) {
    const std::uint8_t component[] = {static_cast<std::uint8_t>(c + 1), 0x11, 0};
    bytes.insert(bytes.end(), std::begin(component), std::end(component));
  }
  return bytes;
}

// The luma sampling factors (horizontal << 4 | vertical) of a JPEG's frame header.
int lumaSampling(const std::vector<std::uint8_t>& jpeg) {
  for (std::size_t i = 2; i + 12 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) return jpeg[i + 11];
  return -1;
}

// --- decoding and encoding ---------------------------------------------------------------

TEST(ImagingJpegFile, RoundTripsAtQuality95) {
  TempDir dir;
  const Picture original = gradientPicture(64, 48);
  const auto bytes = jpegBytes(original, dir / "picture.jpg", 95);
  auto reopened = Bitmap::fromFile((dir / "picture.jpg").string());
  ASSERT_EQ(reopened->lastStatus(), ImagingStatus::Ok);
  EXPECT_EQ(reopened->width(), 64);
  EXPECT_EQ(reopened->height(), 48);
  EXPECT_EQ(reopened->pixelFormat(), PixelFormat::Bgr24);
  const Picture decoded = readWhole(*reopened);
  EXPECT_TRUE(picturesClose(decoded, original, 12, 1.5));
  // The same bytes from memory decode to the same pixels.
  auto inMemory = Bitmap::fromMemory(bytes);
  EXPECT_TRUE(picturesClose(readWhole(*inMemory), decoded, 0));
}

TEST(ImagingJpegFile, QualityRunsFromZeroToHundredWithDefault75) {
  TempDir dir;
  const Picture original = noisePicture(48, 32, 9);
  const auto worst = jpegBytes(original, dir / "q0.jpg", 0);
  const auto best = jpegBytes(original, dir / "q100.jpg", 100);
  auto worstBitmap = Bitmap::fromMemory(worst);
  auto bestBitmap = Bitmap::fromMemory(best);
  EXPECT_TRUE(picturesClose(readWhole(*bestBitmap), original, 40, 4.0));
  EXPECT_FALSE(picturesClose(readWhole(*worstBitmap), original, 40, 4.0));

  Picture copy = original;
  ASSERT_EQ(copy.view()->saveJpeg((dir / "default.jpg").string()), ImagingStatus::Ok);
  EXPECT_EQ(fileBytes(dir / "default.jpg"), jpegBytes(original, dir / "q75.jpg", 75));

  for (const int quality : {-1, 101}) {
    SCOPED_TRACE(quality);
    const auto path = dir / ("bad" + std::to_string(quality) + ".jpg");
    EXPECT_EQ(copy.view()->saveJpeg(path.string(), quality), ImagingStatus::InvalidParameter);
    EXPECT_FALSE(std::filesystem::exists(path));
  }
}

TEST(ImagingJpegFile, KeepsChromaWholeFromQuality90) {
  TempDir dir;
  EXPECT_EQ(lumaSampling(jpegBytes(gradientPicture(32, 32), dir / "a.jpg", 89)), 0x22);
  EXPECT_EQ(lumaSampling(jpegBytes(gradientPicture(32, 32), dir / "b.jpg", 90)), 0x11);
}

TEST(ImagingJpegFile, SavesTheTurnedPicture) {
  TempDir dir;
  Picture picture = gradientPicture(40, 16);
  auto bitmap = picture.view();
  ASSERT_EQ(bitmap->rotateFlip(3), ImagingStatus::Ok);
  ASSERT_EQ(bitmap->saveJpeg((dir / "turned.jpg").string(), 95), ImagingStatus::Ok);
  auto reopened = Bitmap::fromFile((dir / "turned.jpg").string());
  EXPECT_EQ(reopened->width(), 16);
  EXPECT_EQ(reopened->height(), 40);
  EXPECT_TRUE(picturesClose(readWhole(*reopened), readWhole(*bitmap), 12, 1.5));
}

TEST(ImagingJpegFile, DecodesGreyAsEqualChannels) {
  std::vector<std::uint8_t> grey(32 * 24);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(20 + i % 200);
  auto bitmap = Bitmap::fromMemory(turboJpegBytes(grey.data(), 32, 24, TJPF_GRAY, TJSAMP_GRAY, 0));
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  EXPECT_EQ(bitmap->pixelFormat(), PixelFormat::Gray8);
  const Picture decoded = readWhole(*bitmap);
  Picture expected(32, 24);
  for (std::size_t i = 0; i < grey.size(); ++i)
    std::fill_n(expected.bytes.data() + 3 * i, 3, grey[i]);
  EXPECT_TRUE(picturesClose(decoded, expected, 40, 4.0));
  for (std::size_t i = 0; i < grey.size(); ++i) {
    ASSERT_EQ(decoded.bytes[3 * i], decoded.bytes[3 * i + 1]);
    ASSERT_EQ(decoded.bytes[3 * i], decoded.bytes[3 * i + 2]);
  }
}

// The frame header lies behind 192 KiB of application data, beyond the first read.
TEST(ImagingJpegFile, FindsAFrameHeaderFarIntoTheFile) {
  TempDir dir;
  const Picture original = gradientPicture(24, 16);
  const auto plain = jpegBytes(original, dir / "plain.jpg", 90);
  std::vector<std::uint8_t> padded(plain.begin(), plain.begin() + 2);
  for (int segment = 0; segment < 3; ++segment) {
    padded.insert(padded.end(), {0xFF, 0xE1, 0xFF, 0xFF});
    padded.insert(padded.end(), 0xFFFD, 0x5A);
  }
  padded.insert(padded.end(), plain.begin() + 2, plain.end());
  writeFile(dir / "padded.jpg", padded);
  auto bitmap = Bitmap::fromFile((dir / "padded.jpg").string());
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  EXPECT_EQ(bitmap->width(), 24);
  auto plainBitmap = Bitmap::fromMemory(plain);
  EXPECT_TRUE(picturesClose(readWhole(*bitmap), readWhole(*plainBitmap), 0));
}

TEST(ImagingPngFile, DecodesColourExactly) {
  TempDir dir;
  const Picture original = noisePicture(21, 13, 4);
  writeFile(dir / "colour.png", pngBytes(original));
  auto bitmap = Bitmap::fromFile((dir / "colour.png").string());
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  EXPECT_EQ(bitmap->pixelFormat(), PixelFormat::Bgr24);
  EXPECT_TRUE(picturesClose(readWhole(*bitmap), original, 0));
}

TEST(ImagingPngFile, DecodesGreyAsEqualChannels) {
  const std::vector<std::uint8_t> grey = {0, 50, 100, 150, 200, 255};
  auto bitmap = Bitmap::fromMemory(pngBytes(grey.data(), 3, 2, PNG_FORMAT_GRAY));
  EXPECT_EQ(bitmap->pixelFormat(), PixelFormat::Gray8);
  const Picture decoded = readWhole(*bitmap);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(decoded.bytes[3 * i], grey[i]);
    EXPECT_EQ(decoded.bytes[3 * i + 1], grey[i]);
    EXPECT_EQ(decoded.bytes[3 * i + 2], grey[i]);
  }
}

TEST(ImagingPngFile, LaysTransparencyOverBlack) {
  // blue-green-red-alpha: opaque orange, fully transparent white
  const std::vector<std::uint8_t> pixels = {0, 128, 255, 255, 255, 255, 255, 0};
  auto bitmap = Bitmap::fromMemory(pngBytes(pixels.data(), 2, 1, PNG_FORMAT_BGRA));
  EXPECT_EQ(bitmap->pixelFormat(), PixelFormat::Argb32);
  const Picture decoded = readWhole(*bitmap);
  EXPECT_EQ(std::vector<std::uint8_t>(decoded.bytes.begin(), decoded.bytes.end()),
            (std::vector<std::uint8_t>{0, 128, 255, 0, 0, 0}));
}

// --- laziness --------------------------------------------------------------------------

TEST(ImagingLazyDecoding, ReadsThePixelsOnlyWhenAskedFor) {
  TempDir dir;
  jpegBytes(gradientPicture(30, 20), dir / "gone.jpg", 90);
  auto bitmap = Bitmap::fromFile((dir / "gone.jpg").string());
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  std::filesystem::remove(dir / "gone.jpg");
  EXPECT_EQ(bitmap->width(), 30);
  EXPECT_EQ(bitmap->height(), 20);
  LockedRows locked;
  EXPECT_EQ(bitmap->lockRows(locked), ImagingStatus::FileNotFound);
  EXPECT_EQ(bitmap->lastStatus(), ImagingStatus::FileNotFound);
  // Once the file is back, the pixels decode.
  jpegBytes(gradientPicture(30, 20), dir / "gone.jpg", 90);
  EXPECT_EQ(bitmap->lockRows(locked), ImagingStatus::Ok);
  EXPECT_EQ(locked.width, 30);
}

TEST(ImagingLazyDecoding, OpensOnTheHeaderAloneAndFailsAtTheDecode) {
  // Everything after the frame header is lost: no tables, no scan.
  auto bitmap = Bitmap::fromMemory(jpegFrameHeader(0xC0, 8, 64, 64, 3));
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  EXPECT_EQ(bitmap->width(), 64);
  Picture decoded(64, 64);
  std::fill(decoded.bytes.begin(), decoded.bytes.end(), 0xAA);
  EXPECT_EQ(bitmap->readPixels(decoded.bytes.data(), decoded.stride()),
            ImagingStatus::GenericError);
  EXPECT_TRUE(picturesClose(decoded, Picture(64, 64), 0));
}

// --- damaged pictures ------------------------------------------------------------------

// A sequential JPEG cut in half: the rows above the cut survive, the rows below are zero.
// The bitmap opens (its header is whole); every pixel call then reports GenericError.
TEST(ImagingTruncatedJpeg, KeepsTheRowsAboveTheCut) {
  TempDir dir;
  const Picture original = gradientPicture(64, 256);
  auto bytes = jpegBytes(original, dir / "whole.jpg", 90);
  bytes.resize(bytes.size() / 2);
  auto bitmap = Bitmap::fromMemory(bytes);
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);

  Picture decoded(64, 256);
  std::fill(decoded.bytes.begin(), decoded.bytes.end(), 0xAA);
  EXPECT_EQ(bitmap->readPixels(decoded.bytes.data(), decoded.stride()),
            ImagingStatus::GenericError);
  EXPECT_TRUE(
      picturesClose(window(decoded, 0, 0, 64, 32), window(original, 0, 0, 64, 32), 12, 1.5));
  for (int y = 224; y < 256; ++y) EXPECT_TRUE(rowIsZero(decoded, y)) << "row " << y;

  // The reduced decode and the locked path keep the same rows.
  Picture halved(32, 128);
  std::fill(halved.bytes.begin(), halved.bytes.end(), 0xAA);
  EXPECT_EQ(bitmap->readScaled(halved.bytes.data(), 32, 128, halved.stride()),
            ImagingStatus::GenericError);
  EXPECT_FALSE(rowIsZero(halved, 0));
  EXPECT_TRUE(rowIsZero(halved, 127));
  LockedRows locked;
  EXPECT_EQ(bitmap->lockRows(locked), ImagingStatus::GenericError);
  EXPECT_EQ(bitmap->unlockRows(), ImagingStatus::WrongState);
  ImagingStatus status = ImagingStatus::Ok;
  EXPECT_TRUE(picturesClose(readWhole(*bitmap, status), decoded, 0));
  EXPECT_EQ(status, ImagingStatus::GenericError);
  EXPECT_EQ(bitmap->saveJpeg((dir / "copy.jpg").string()), ImagingStatus::GenericError);
  EXPECT_FALSE(std::filesystem::exists(dir / "copy.jpg"));
}

// A progressive JPEG cut short still covers the whole picture, only more coarsely.
TEST(ImagingTruncatedJpeg, ProgressiveKeepsTheWholeCoarserPicture) {
  const Picture original = gradientPicture(64, 256);
  auto bytes =
      turboJpegBytes(original.bytes.data(), 64, 256, TJPF_BGR, TJSAMP_420, TJFLAG_PROGRESSIVE);
  bytes.resize(bytes.size() * 6 / 10);
  auto bitmap = Bitmap::fromMemory(bytes);
  ImagingStatus status = ImagingStatus::Ok;
  const Picture decoded = readWhole(*bitmap, status);
  EXPECT_EQ(status, ImagingStatus::GenericError);
  EXPECT_TRUE(picturesClose(decoded, original, 80, 8.0));
}

// --- row by row ----------------------------------------------------------------------------

// Gathers the rows a bitmap hands over through a room of `roomRows` rows, checking that they
// come in order, each group where its room was.
class GatheredRows final : public RowSink {
 public:
  GatheredRows(int width, int height, int roomRows)
      : whole(width, height), room_(width, roomRows) {}
  Plane roomFrom(int first) override {
    asked_ = first;
    return {room_.bytes.data(), room_.stride(), room_.width, room_.height};
  }
  void filled(int first, int count) override {
    EXPECT_EQ(first, asked_);
    EXPECT_EQ(first, rowsFilled) << "rows come in order, none twice";
    EXPECT_TRUE(count >= 1 && count <= room_.height);
    for (int i = 0; i < count; ++i)
      std::copy_n(room_.pixel(0, i), room_.stride(), whole.pixel(0, first + i));
    rowsFilled += count;
  }
  Picture whole;
  int rowsFilled = 0;

 private:
  Picture room_;
  int asked_ = -1;
};

TEST(ImagingRowByRow, HandsOverTheRowsReadPixelsReads) {
  TempDir dir;
  Picture original = noisePicture(48, 40, 7);
  auto decoded = Bitmap::fromMemory(jpegBytes(original, dir / "noise.jpg", 90));
  auto held = original.view();
  for (Bitmap* bitmap : {decoded.get(), held.get()}) {
    GatheredRows rows(48, 40, 3);
    ASSERT_EQ(bitmap->readRows(rows), ImagingStatus::Ok);
    EXPECT_EQ(rows.rowsFilled, 40);
    EXPECT_EQ(rows.whole.bytes, readWhole(*bitmap).bytes);
  }
}

TEST(ImagingRowByRow, LeavesPngAndTurnedPicturesToReadPixels) {
  TempDir dir;
  const Picture original = noisePicture(48, 40, 8);
  auto png = Bitmap::fromMemory(pngBytes(original));
  auto turned = Bitmap::fromMemory(jpegBytes(original, dir / "turned.jpg", 90));
  ASSERT_EQ(turned->rotateFlip(1), ImagingStatus::Ok);
  for (Bitmap* bitmap : {png.get(), turned.get()}) {
    GatheredRows rows(48, 40, 16);
    EXPECT_EQ(bitmap->readRows(rows), ImagingStatus::NotImplemented);
    EXPECT_EQ(rows.rowsFilled, 0);
  }
}

TEST(ImagingRowByRow, ReportsACutShortJpegAsReadPixelsDoes) {
  TempDir dir;
  auto bytes = jpegBytes(gradientPicture(64, 256), dir / "whole.jpg", 90);
  bytes.resize(bytes.size() / 2);
  auto bitmap = Bitmap::fromMemory(bytes);
  GatheredRows rows(64, 256, 16);
  EXPECT_EQ(bitmap->readRows(rows), ImagingStatus::GenericError);
  EXPECT_EQ(bitmap->damage(), DataDamage::Truncated);
  EXPECT_LT(rows.rowsFilled, 256);
}

TEST(ImagingTruncatedPng, ReportsGenericError) {
  auto bytes = pngBytes(noisePicture(40, 40, 2));
  bytes.resize(bytes.size() / 2);
  auto bitmap = Bitmap::fromMemory(bytes);
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  ImagingStatus status = ImagingStatus::Ok;
  readWhole(*bitmap, status);
  EXPECT_EQ(status, ImagingStatus::GenericError);
}

// --- what cannot be opened -------------------------------------------------------------

struct BadInput {
  std::string name;
  std::vector<std::uint8_t> bytes;
  ImagingStatus status;
};

void PrintTo(const BadInput& input, std::ostream* out) {
  *out << input.name;
}

std::vector<std::uint8_t> textBytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<BadInput> badInputs() {
  auto pngHeader = [](std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                       0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    for (const std::uint32_t value : {width, height})
      for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    bytes.insert(bytes.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});
    return bytes;
  };
  std::vector<std::uint8_t> cutPngHeader = pngHeader(10, 10);
  cutPngHeader.resize(20);
  return {
      {"empty", {}, ImagingStatus::UnknownImageFormat},
      {"text", textBytes("This is not a picture.\n"), ImagingStatus::UnknownImageFormat},
      {"jpeg signature only", {0xFF, 0xD8, 0xFF}, ImagingStatus::GenericError},
      {"jpeg scan before frame", {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02}, ImagingStatus::GenericError},
      {"jpeg 60000x60000", jpegFrameHeader(0xC0, 8, 60000, 60000, 3), ImagingStatus::ValueOverflow},
      {"jpeg zero width", jpegFrameHeader(0xC0, 8, 0, 100, 3), ImagingStatus::GenericError},
      {"jpeg lossless", jpegFrameHeader(0xC3, 8, 100, 100, 3), ImagingStatus::NotImplemented},
      {"jpeg 12-bit", jpegFrameHeader(0xC1, 12, 100, 100, 3), ImagingStatus::NotImplemented},
      {"jpeg cmyk", jpegFrameHeader(0xC0, 8, 100, 100, 4), ImagingStatus::NotImplemented},
      {"png 40000x40000", pngHeader(40000, 40000), ImagingStatus::ValueOverflow},
      {"png zero height", pngHeader(100, 0), ImagingStatus::GenericError},
      {"png header cut", cutPngHeader, ImagingStatus::GenericError},
  };
}

void expectFailedBitmap(Bitmap& bitmap, ImagingStatus status) {
  EXPECT_EQ(bitmap.lastStatus(), status);
  EXPECT_EQ(bitmap.width(), 0);
  EXPECT_EQ(bitmap.height(), 0);
  EXPECT_EQ(bitmap.pixelFormat(), PixelFormat::Undefined);
  // The failure travels with the bitmap through every later call.
  EXPECT_EQ(bitmap.rotateFlip(1), status);
  LockedRows locked;
  EXPECT_EQ(bitmap.lockRows(locked), status);
  std::uint8_t pixel[3] = {};
  EXPECT_EQ(bitmap.readScaled(pixel, 1, 1, 3), status);
  EXPECT_EQ(bitmap.lastStatus(), status);
}

class ImagingUnopenablePicture : public testing::TestWithParam<BadInput> {};

TEST_P(ImagingUnopenablePicture, FromMemory) {
  auto bitmap = Bitmap::fromMemory(GetParam().bytes);
  expectFailedBitmap(*bitmap, GetParam().status);
}

TEST_P(ImagingUnopenablePicture, FromFile) {
  TempDir dir;
  writeFile(dir / "input", GetParam().bytes);
  auto bitmap = Bitmap::fromFile((dir / "input").string());
  expectFailedBitmap(*bitmap, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(BadInputs, ImagingUnopenablePicture, testing::ValuesIn(badInputs()));

TEST(ImagingUnopenableFile, MissingOrNotAFile) {
  TempDir dir;
  for (const auto& path : {dir / "missing.jpg", dir / "no" / "such.jpg", dir.path()}) {
    SCOPED_TRACE(path.string());
    auto bitmap = Bitmap::fromFile(path.string());
    expectFailedBitmap(*bitmap, ImagingStatus::FileNotFound);
  }
  auto empty = Bitmap::fromFile("");
  expectFailedBitmap(*empty, ImagingStatus::FileNotFound);
}

TEST(ImagingUnopenableFile, Unreadable) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
  TempDir dir;
  jpegBytes(gradientPicture(8, 8), dir / "locked.jpg", 90);
  std::filesystem::permissions(dir / "locked.jpg", std::filesystem::perms::none);
  auto bitmap = Bitmap::fromFile((dir / "locked.jpg").string());
  expectFailedBitmap(*bitmap, ImagingStatus::AccessDenied);
}

// A header that promises far more than the data hold fails when decoded, quickly and without
// touching the memory it reserved.
TEST(ImagingDamagedJpeg, HeaderPromisingTooMuch) {
  TempDir dir;
  auto bytes = jpegBytes(gradientPicture(16, 16), dir / "small.jpg", 90);
  for (std::size_t i = 2; i + 8 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = 0x0F, bytes[i + 6] = 0xA0;  // height 4000
      bytes[i + 7] = 0x0F, bytes[i + 8] = 0xA0;  // width 4000
      break;
    }
  }
  auto bitmap = Bitmap::fromMemory(bytes);
  ASSERT_EQ(bitmap->width(), 4000);
  std::vector<std::uint8_t> reduced(std::size_t{3} * 500 * 500);
  EXPECT_EQ(bitmap->readScaled(reduced.data(), 500, 500, 1500), ImagingStatus::GenericError);
  LockedRows locked;
  EXPECT_EQ(bitmap->lockRows(locked), ImagingStatus::GenericError);
}

// --- pictures in memory ----------------------------------------------------------------

TEST(ImagingBlankBitmap, IsZeroFilled) {
  auto bitmap = Bitmap::blank(7, 3);
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  EXPECT_EQ(bitmap->pixelFormat(), PixelFormat::Bgr24);
  EXPECT_TRUE(picturesClose(readWhole(*bitmap), Picture(7, 3), 0));
}

TEST(ImagingBlankBitmap, RefusesBadSizes) {
  for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-1, 5}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    auto bitmap = Bitmap::blank(width, height);
    expectFailedBitmap(*bitmap, ImagingStatus::InvalidParameter);
  }
  auto huge = Bitmap::blank(1 << 15, 1 << 15);
  expectFailedBitmap(*huge, ImagingStatus::ValueOverflow);
}

TEST(ImagingPixelsBitmap, ReadsThroughTheCallersStride) {
  // 2 x 2 pixels in rows of 8 bytes; the padding must never be read as pixels.
  std::vector<std::uint8_t> padded = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12, 99, 99};
  auto bitmap = Bitmap::overPixels(padded.data(), 2, 2, 8);
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  const Picture packed = readWhole(*bitmap);
  EXPECT_EQ(packed.bytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  LockedRows locked;
  ASSERT_EQ(bitmap->lockRows(locked), ImagingStatus::Ok);
  EXPECT_EQ(locked.rows, padded.data());
  EXPECT_EQ(locked.stride, 8);
}

TEST(ImagingPixelsBitmap, RefusesBadBuffers) {
  std::vector<std::uint8_t> pixels(64);
  auto noBuffer = Bitmap::overPixels(nullptr, 2, 2, 6);
  expectFailedBitmap(*noBuffer, ImagingStatus::InvalidParameter);
  auto shortStride = Bitmap::overPixels(pixels.data(), 4, 2, 11);
  expectFailedBitmap(*shortStride, ImagingStatus::InvalidParameter);
  auto zeroSize = Bitmap::overPixels(pixels.data(), 0, 2, 6);
  expectFailedBitmap(*zeroSize, ImagingStatus::InvalidParameter);
}

TEST(ImagingPixelsBitmap, RefusesBadDestinations) {
  Picture picture = gradientPicture(4, 3);
  auto bitmap = picture.view();
  std::vector<std::uint8_t> destination(64);
  EXPECT_EQ(bitmap->readPixels(nullptr, 12), ImagingStatus::InvalidParameter);
  EXPECT_EQ(bitmap->readPixels(destination.data(), 11), ImagingStatus::InvalidParameter);
  EXPECT_EQ(bitmap->readScaled(destination.data(), 0, 3, 12), ImagingStatus::InvalidParameter);
  EXPECT_EQ(bitmap->readScaled(destination.data(), 1 << 15, 1 << 15, 3 << 15),
            ImagingStatus::ValueOverflow);
  EXPECT_EQ(bitmap->lastStatus(), ImagingStatus::ValueOverflow);
}

// --- locking and release ---------------------------------------------------------------

TEST(ImagingLocking, OneLockAtATime) {
  auto bitmap = Bitmap::blank(4, 4);
  LockedRows locked;
  EXPECT_EQ(bitmap->unlockRows(), ImagingStatus::WrongState);
  ASSERT_EQ(bitmap->lockRows(locked), ImagingStatus::Ok);
  LockedRows again;
  EXPECT_EQ(bitmap->lockRows(again), ImagingStatus::ObjectBusy);
  EXPECT_EQ(bitmap->rotateFlip(1), ImagingStatus::ObjectBusy);
  EXPECT_EQ(bitmap->unlockRows(), ImagingStatus::Ok);
  EXPECT_EQ(bitmap->lockRows(again), ImagingStatus::Ok);
  EXPECT_EQ(again.rows, locked.rows);
}

TEST(ImagingLocking, DecodesAPhotoOnce) {
  const auto photo = skylacer::test::samplePhotos("trail").front();
  auto bitmap = Bitmap::fromFile(photo.string());
  LockedRows locked;
  ASSERT_EQ(bitmap->lockRows(locked), ImagingStatus::Ok);
  EXPECT_EQ(locked.width, 1024);
  EXPECT_EQ(locked.height, 768);
  EXPECT_GE(locked.stride, 3 * 1024);
  const Picture lockedCopy = copyOfLocked(locked);
  ASSERT_EQ(bitmap->unlockRows(), ImagingStatus::Ok);
  auto fresh = Bitmap::fromFile(photo.string());
  EXPECT_TRUE(picturesClose(lockedCopy, readWhole(*fresh), 0));
  EXPECT_TRUE(picturesClose(readWhole(*bitmap), lockedCopy, 0));
}

TEST(ImagingRelease, KeepsTheStatusOfTheCallBefore) {
  auto bitmap = Bitmap::fromMemory(jpegFrameHeader(0xC0, 8, 64, 64, 3));
  LockedRows locked;
  ASSERT_EQ(bitmap->lockRows(locked), ImagingStatus::GenericError);
  bitmap->release();
  EXPECT_EQ(bitmap->lastStatus(), ImagingStatus::GenericError);
}

TEST(ImagingRelease, LaterCallsAreInvalid) {
  Picture picture = gradientPicture(8, 8);
  auto source = picture.view();
  std::vector<std::unique_ptr<Bitmap>> bitmaps;
  bitmaps.push_back(Bitmap::blank(8, 8));
  bitmaps.push_back(Bitmap::fromMemory(pngBytes(picture)));
  for (auto& bitmap : bitmaps) {
    LockedRows locked;
    ASSERT_EQ(bitmap->lockRows(locked), ImagingStatus::Ok);
    bitmap->release();
    EXPECT_EQ(bitmap->width(), 0);
    EXPECT_EQ(bitmap->height(), 0);
    EXPECT_EQ(bitmap->unlockRows(), ImagingStatus::InvalidParameter);
    EXPECT_EQ(bitmap->lockRows(locked), ImagingStatus::InvalidParameter);
    EXPECT_EQ(bitmap->rotateFlip(2), ImagingStatus::InvalidParameter);
    std::uint8_t pixel[3] = {};
    EXPECT_EQ(bitmap->readScaled(pixel, 1, 1, 3), ImagingStatus::InvalidParameter);
    EXPECT_EQ(bitmap->drawScaled(*source, 0, 0, 2, 2), ImagingStatus::InvalidParameter);
    EXPECT_EQ(bitmap->saveJpeg("/nonexistent/never.jpg"), ImagingStatus::InvalidParameter);
    EXPECT_EQ(bitmap->lastStatus(), ImagingStatus::InvalidParameter);
    // A released source cannot be drawn either.
    auto canvas = Bitmap::blank(4, 4);
    EXPECT_EQ(canvas->drawScaled(*bitmap, 0, 0, 2, 2), ImagingStatus::InvalidParameter);
  }
}

// --- saving ----------------------------------------------------------------------------

TEST(ImagingSaveJpeg, ReportsFoldersThatCannotBeWritten) {
  TempDir dir;
  Picture picture = gradientPicture(8, 8);
  auto bitmap = picture.view();
  EXPECT_EQ(bitmap->saveJpeg((dir / "no" / "such" / "folder.jpg").string()),
            ImagingStatus::Win32Error);
  EXPECT_EQ(bitmap->saveJpeg(dir.path().string()), ImagingStatus::Win32Error);
  EXPECT_EQ(bitmap->saveJpeg(""), ImagingStatus::InvalidParameter);
  if (::geteuid() != 0) {
    std::filesystem::create_directory(dir / "readonly");
    std::filesystem::permissions(
        dir / "readonly", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(bitmap->saveJpeg((dir / "readonly" / "a.jpg").string()), ImagingStatus::AccessDenied);
  }
}

TEST(ImagingSaveJpeg, ReplacesAnExistingFile) {
  TempDir dir;
  writeFile(dir / "old.jpg", textBytes("old contents that are much longer than nothing at all"));
  Picture picture = gradientPicture(8, 8);
  ASSERT_EQ(picture.view()->saveJpeg((dir / "old.jpg").string(), 90), ImagingStatus::Ok);
  auto reopened = Bitmap::fromFile((dir / "old.jpg").string());
  EXPECT_EQ(reopened->width(), 8);
  EXPECT_TRUE(picturesClose(readWhole(*reopened), picture, 12, 2.0));
}

}  // namespace
}  // namespace skylacer::imaging::test
