// SPDX-License-Identifier: GPL-3.0-or-later
// Photos as their files describe them: turned upright by their EXIF orientation, their EXIF
// fields and colour profile read with the header, the profile and capture date carried into the
// JPEG we write, and why a damaged photo cannot be read. The photo files are written by libjpeg.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/exif.h"
#include "platform/imaging/failure_reason.h"
#include "tests/platform/exif_blocks.h"
#include "tests/platform/imaging_pictures.h"
#include "tests/platform/libjpeg_files.h"
#include "tests/support/temp_dir.h"

namespace skylacer::imaging::test {
namespace {

using skylacer::test::TempDir;

constexpr int kWidth = 64;
constexpr int kHeight = 32;

// Four flat quadrants of distinct colours, which JPEG keeps within a few levels.
Picture quadrantPicture() {
  Picture picture(kWidth, kHeight);
  const std::uint8_t colours[4][3] = {{20, 20, 220}, {20, 200, 30}, {210, 40, 40}, {230, 230, 230}};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const auto& colour = colours[(y >= kHeight / 2 ? 2 : 0) + (x >= kWidth / 2 ? 1 : 0)];
      std::copy_n(colour, 3, picture.pixel(x, y));
    }
  return picture;
}

struct Point {
  int x;
  int y;
};

// Where stored pixel (x, y) of a w x h picture is shown, as TIFF defines Orientation 1-8 by
// where the stored first row and first column belong.
Point shownAt(int orientation, Point p, int w, int h) {
  switch (orientation) {
    case 2:  // first row at the top, first column on the right
      return {w - 1 - p.x, p.y};
    case 3:  // bottom, right
      return {w - 1 - p.x, h - 1 - p.y};
    case 4:  // bottom, left
      return {p.x, h - 1 - p.y};
    case 5:  // first row on the left, first column at the top
      return {p.y, p.x};
    case 6:  // right, top
      return {h - 1 - p.y, p.x};
    case 7:  // right, bottom
      return {h - 1 - p.y, w - 1 - p.x};
    case 8:  // left, bottom
      return {p.y, w - 1 - p.x};
    default:
      return p;
  }
}

testing::AssertionResult sameColour(const std::uint8_t* actual, const std::uint8_t* expected) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(actual[c] - expected[c]) > 12)
      return testing::AssertionFailure()
             << "channel " << c << ": " << int{actual[c]} << " vs " << int{expected[c]};
  return testing::AssertionSuccess();
}

std::vector<std::uint8_t> orientationPayload(int orientation) {
  const TiffFields f(orientation % 2 == 0);
  return exifPayload(f.block({f.shortField(0x0112, static_cast<std::uint16_t>(orientation))}, {}));
}

class ImagingExifOrientation : public testing::TestWithParam<int> {};

TEST_P(ImagingExifOrientation, ReadsThePhotoUprightAndTurnsOnFromThere) {
  const int orientation = GetParam();
  TempDir dir;
  const Picture stored = quadrantPicture();
  writeFile(dir / "photo.jpg",
            libjpegFile(stored, {{JPEG_APP0 + 1, orientationPayload(orientation)}}));
  auto bitmap = Bitmap::fromFile((dir / "photo.jpg").string());
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  EXPECT_EQ(bitmap->metadata().exif.orientation, orientation);
  const bool turned = orientation >= 5;
  const int shownWidth = turned ? kHeight : kWidth;
  const int shownHeight = turned ? kWidth : kHeight;
  ASSERT_EQ(bitmap->width(), shownWidth);
  ASSERT_EQ(bitmap->height(), shownHeight);

  const Picture whole = readWhole(*bitmap);
  const Picture halved = readAtSize(*bitmap, shownWidth / 2, shownHeight / 2);
  for (const Point centre : {Point{16, 8}, Point{48, 8}, Point{16, 24}, Point{48, 24}}) {
    SCOPED_TRACE(testing::Message() << "stored (" << centre.x << ", " << centre.y << ")");
    const Point shown = shownAt(orientation, centre, kWidth, kHeight);
    EXPECT_TRUE(sameColour(whole.pixel(shown.x, shown.y), stored.pixel(centre.x, centre.y)));
    EXPECT_TRUE(
        sameColour(halved.pixel(shown.x / 2, shown.y / 2), stored.pixel(centre.x, centre.y)));
  }

  // The user's quarter turn clockwise comes on top of the upright photo.
  ASSERT_EQ(bitmap->rotateFlip(1), ImagingStatus::Ok);
  EXPECT_EQ(bitmap->width(), shownHeight);
  const Picture onceMore = readWhole(*bitmap);
  const Point shown = shownAt(orientation, {16, 8}, kWidth, kHeight);
  EXPECT_TRUE(sameColour(onceMore.pixel(shownHeight - 1 - shown.y, shown.x), stored.pixel(16, 8)));
}

INSTANTIATE_TEST_SUITE_P(AllEight, ImagingExifOrientation, testing::Range(1, 9));

// A profile larger than one segment holds, so that it takes three chunks.
std::vector<std::uint8_t> largeProfile() {
  std::vector<std::uint8_t> profile(150000);
  for (std::size_t i = 0; i < profile.size(); ++i)
    profile[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return profile;
}

// A camera's photo in `dir` with a capture date, focal lengths and `profile`; returns its path.
std::string writeCameraPhoto(const TempDir& dir, const std::vector<std::uint8_t>& profile) {
  const TiffFields f(false);
  const std::vector<std::uint8_t> exif =
      exifPayload(f.block({}, {f.asciiField(0x9003, "2023:05:06 07:08:09"),
                               f.rationalField(0x920A, 24, 1), f.shortField(0xA405, 36)}));
  writeFile(dir / "photo.jpg", libjpegFile(quadrantPicture(), {{JPEG_APP0 + 1, exif}}, profile));
  return (dir / "photo.jpg").string();
}

TEST(ImagingPhotoMetadata, ReadsTheExifFieldsAndTheWholeProfileWithTheHeader) {
  TempDir dir;
  const std::vector<std::uint8_t> profile = largeProfile();
  const auto bitmap = Bitmap::fromFile(writeCameraPhoto(dir, profile));
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok);
  const PhotoMetadata& metadata = bitmap->metadata();
  EXPECT_EQ(metadata.exif.dateTimeOriginal, "2023:05:06 07:08:09");
  EXPECT_EQ(metadata.exif.focalLength35mm, 36);
  EXPECT_EQ(metadata.exif.orientation, std::nullopt);
  EXPECT_EQ(metadata.iccProfile, profile);
  bitmap->release();
  EXPECT_EQ(bitmap->metadata().iccProfile, profile) << "kept for the panorama after release";

  // A profile with a chunk lost is no profile.
  std::vector<std::uint8_t> bytes = fileBytes(dir / "photo.jpg");
  for (std::size_t i = 0; i + 16 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xE2 && bytes[i + 16] == 2) {
      bytes[i + 16] = 3;  // chunk 2 of 3 now claims to be chunk 3: 3 twice, 2 missing
      break;
    }
  EXPECT_TRUE(Bitmap::fromMemory(bytes)->metadata().iccProfile.empty());
}

TEST(ImagingPhotoMetadata, SavedJpegCarriesTheProfileAndCaptureDate) {
  TempDir dir;
  const std::vector<std::uint8_t> profile = largeProfile();
  const auto photo = Bitmap::fromFile(writeCameraPhoto(dir, profile));

  Picture panorama = gradientPicture(120, 40);
  auto view = panorama.view();
  EXPECT_EQ(view->saveJpeg((dir / "plain.jpg").string(), 90), ImagingStatus::Ok);
  const LibjpegMarkers plain = libjpegMarkers(fileBytes(dir / "plain.jpg"));
  EXPECT_TRUE(plain.app1.empty());
  EXPECT_TRUE(plain.iccProfile.empty());

  view->setMetadata(photo->metadata());
  ASSERT_EQ(view->saveJpeg((dir / "carried.jpg").string(), 90), ImagingStatus::Ok);
  const std::vector<std::uint8_t> carried = fileBytes(dir / "carried.jpg");
  const LibjpegMarkers markers = libjpegMarkers(carried);
  EXPECT_EQ(markers.iccProfile, profile);
  ASSERT_EQ(markers.app1.size(), 1u);
  const std::vector<std::uint8_t>& app1 = markers.app1.front();
  ASSERT_GT(app1.size(), 6u);
  ExifData onlyTheDate;
  onlyTheDate.dateTimeOriginal = "2023:05:06 07:08:09";
  EXPECT_EQ(readExif(std::span(app1).subspan(6)), onlyTheDate);
  // The pixels are those of the plain file, and the file opens as ours again.
  const auto reopened = Bitmap::fromMemory(carried);
  EXPECT_TRUE(picturesClose(readWhole(*reopened),
                            readWhole(*Bitmap::fromFile((dir / "plain.jpg").string())), 0));
  EXPECT_EQ(reopened->metadata().iccProfile, profile);
}

// --- why a damaged photo cannot be read -------------------------------------------------

struct Damage {
  std::string name;
  std::vector<std::uint8_t> (*make)();
  DataDamage damage;
  std::string reason;
};

void PrintTo(const Damage& damage, std::ostream* out) {
  *out << damage.name;
}

std::vector<std::uint8_t> wholeJpeg() {
  return libjpegFile(gradientPicture(200, 150), {});
}

std::vector<std::uint8_t> wholePng() {
  return pngBytes(noisePicture(60, 40, 3));
}

class ImagingDamagedPhoto : public testing::TestWithParam<Damage> {};

TEST_P(ImagingDamagedPhoto, SaysWhatIsWrongInWords) {
  TempDir dir;
  writeFile(dir / "photo", GetParam().make());
  auto bitmap = Bitmap::fromFile((dir / "photo").string());
  ASSERT_EQ(bitmap->lastStatus(), ImagingStatus::Ok) << "the header is whole";
  EXPECT_EQ(bitmap->damage(), DataDamage::None);
  ImagingStatus status = ImagingStatus::Ok;
  readAtSize(*bitmap, bitmap->width(), bitmap->height(), status);
  EXPECT_EQ(status, ImagingStatus::GenericError);
  EXPECT_EQ(bitmap->damage(), GetParam().damage);
  EXPECT_EQ(readFailureReason(bitmap->lastStatus(), bitmap->damage()), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ImagingDamagedPhoto,
    testing::Values(Damage{"JpegCutAtTenPercent",
                           [] {
                             auto bytes = wholeJpeg();
                             bytes.resize(bytes.size() / 10 + 700);
                             return bytes;
                           },
                           DataDamage::Truncated, "the file ends before the picture does"},
                    Damage{"JpegWithAMarkerInItsScan",
                           [] {
                             auto bytes = wholeJpeg();
                             const std::size_t middle = bytes.size() / 2;
                             bytes[middle] = 0xFF;
                             bytes[middle + 1] = 0xD9;
                             return bytes;
                           },
                           DataDamage::Corrupt, "the picture data are damaged"},
                    Damage{"PngCutInHalf",
                           [] {
                             auto bytes = wholePng();
                             bytes.resize(bytes.size() / 2);
                             return bytes;
                           },
                           DataDamage::Truncated, "the file ends before the picture does"},
                    Damage{"PngWithABadChecksum",
                           [] {
                             auto bytes = wholePng();
                             bytes[bytes.size() / 2] ^= 0x5A;
                             return bytes;
                           },
                           DataDamage::Corrupt, "the picture data are damaged"}),
    [](const auto& info) { return info.param.name; });

TEST(ImagingDamagedPhoto, AWholeDecodeClearsTheDamage) {
  TempDir dir;
  auto bytes = wholeJpeg();
  writeFile(dir / "photo.jpg", std::span(bytes).first(bytes.size() / 2));
  auto bitmap = Bitmap::fromFile((dir / "photo.jpg").string());
  ImagingStatus status = ImagingStatus::Ok;
  readAtSize(*bitmap, 200, 150, status);
  EXPECT_EQ(bitmap->damage(), DataDamage::Truncated);
  writeFile(dir / "photo.jpg", bytes);
  readAtSize(*bitmap, 200, 150, status);
  EXPECT_EQ(status, ImagingStatus::Ok);
  EXPECT_EQ(bitmap->damage(), DataDamage::None);
}

}  // namespace
}  // namespace skylacer::imaging::test
