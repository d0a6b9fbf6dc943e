// SPDX-License-Identifier: GPL-3.0-or-later
// Photos kept decoded from the loading to the composition: as many as the panorama's lower
// bound leaves room for, and a panorama the same whichever of them are kept.
#include "engine/decoded_photos.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include "engine/projection.h"
#include "engine/stitch.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/temp_dir.h"

namespace skylacer {
namespace {

constexpr ImageSize kPhoto{40, 30};

// Lends and keeps photos 0, 1, ... in turn; the number kept.
std::size_t keepInTurn(DecodedPhotos& decoded, std::size_t photos) {
  std::size_t kept = 0;
  for (std::size_t photo = 0; photo < photos; ++photo) {
    decoded.keep(photo, decoded.lend());
    kept += decoded.holds(photo) ? 1 : 0;
  }
  return kept;
}

TEST(DecodedPhotos, KeepsWhatTheCompositionCanHoldBesideThePanorama) {
  // A panorama at least one photo wide: the bound allows it, three photos besides; the
  // composition's canvas takes one of them, a full circle's closing copy one more.
  DecodedPhotos open(8, kPhoto, false, 0);
  EXPECT_EQ(keepInTurn(open, 8), 3u);
  DecodedPhotos circle(8, kPhoto, true, 0);
  EXPECT_EQ(keepInTurn(circle, 8), 2u);

  // Kept photos hold their pixels until taken. Photo 3 was turned away: a photo after it is not
  // kept even when there is room again, lest it hold its memory while the panorama fills.
  EXPECT_TRUE(open.holds(2));
  EXPECT_FALSE(open.holds(3));
  EXPECT_EQ(open.pixels(0).size(), std::size_t{40 * 30 * 3});
  EXPECT_EQ(open.take(0).size(), std::size_t{40 * 30 * 3});
  EXPECT_FALSE(open.holds(0));
  EXPECT_TRUE(open.take(3).empty());
  open.keep(4, open.lend());
  EXPECT_FALSE(open.holds(4));

  // A panorama known to be 3.5 photos wide leaves room for five, and once it turns out 1.5
  // wide, the last two kept are let go.
  DecodedPhotos wide(8, kPhoto, false, 0);
  wide.widen(2.5);
  EXPECT_EQ(keepInTurn(wide, 8), 5u);
  wide.fitPanorama(1.5);
  EXPECT_TRUE(wide.holds(2));
  EXPECT_FALSE(wide.holds(3));
  EXPECT_FALSE(wide.holds(4));
}

TEST(DecodedPhotos, LendsNoMoreThanTheBoundAllowsAndTakesBackWhatIsNotKept) {
  DecodedPhotos decoded(8, kPhoto, false, 0);
  std::vector<DecodedPhotos::Lent> lent;
  for (int i = 0; i < 4; ++i) lent.push_back(decoded.lend());
  // The fifth would wait: lent buffers go back when dropped or offered and not kept.
  decoded.keep(0, std::move(lent[0]));
  decoded.keep(1, std::move(lent[1]));
  decoded.keep(2, std::move(lent[2]));
  decoded.keep(3, std::move(lent[3]));  // past what the composition holds: given back
  EXPECT_FALSE(decoded.holds(3));
  DecodedPhotos::Lent next = decoded.lend();  // would wait forever if photo 3's were not back
  EXPECT_EQ(next.pixels().size(), std::size_t{40 * 30 * 3});
  // No room and nothing given back: the next lend waits, and no kept photo gives up its buffer
  // (it would be decoded again), until a lent buffer comes back.
  std::future<DecodedPhotos::Lent> another =
      std::async(std::launch::async, [&] { return decoded.lend(); });
  EXPECT_EQ(another.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  EXPECT_TRUE(decoded.holds(2));
  next = DecodedPhotos::Lent();
  if (another.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    decoded.widen(8);  // lets the lend go, so that the test fails rather than hangs
    FAIL() << "a buffer given back did not end the wait";
  }
  EXPECT_EQ(another.get().pixels().size(), std::size_t{40 * 30 * 3});
  EXPECT_TRUE(decoded.holds(2));
}

TEST(DecodedPhotos, LendsWithoutWaitingOnlyToAPhotoItMayStillKeep) {
  DecodedPhotos decoded(8, kPhoto, false, 0);
  std::vector<DecodedPhotos::Lent> lent;
  for (std::size_t photo = 0; photo < 4; ++photo) {
    std::optional<DecodedPhotos::Lent> buffer = decoded.lendIfRoom(photo);
    ASSERT_TRUE(buffer);
    lent.push_back(std::move(*buffer));
  }
  // No room: photo 4 goes without a buffer and is turned away, and so is photo 5 once there
  // is room again; photo 3, before them, may still be kept.
  EXPECT_FALSE(decoded.lendIfRoom(4));
  lent.clear();
  EXPECT_FALSE(decoded.lendIfRoom(5));
  std::optional<DecodedPhotos::Lent> third = decoded.lendIfRoom(3);
  ASSERT_TRUE(third);
  decoded.keep(3, std::move(*third));
  EXPECT_TRUE(decoded.holds(3));
}

TEST(DecodedPhotos, TheLendingReserveLendsMoreButKeepsNoMore) {
  // A panorama known to be 1.6 photos wide: room for four buffers. Half a photo of reserve
  // makes 2.1 photos, room for five; the composition still holds three kept photos.
  constexpr std::uint64_t kHalfAPhoto = 40 * 30 * 3 / 2;
  for (const std::uint64_t reserve : {std::uint64_t{0}, kHalfAPhoto}) {
    SCOPED_TRACE(testing::Message() << "reserve " << reserve);
    DecodedPhotos decoded(8, kPhoto, false, reserve);
    decoded.widen(0.6);
    std::vector<DecodedPhotos::Lent> lent;
    for (std::size_t photo = 0; photo < 6; ++photo) {
      std::optional<DecodedPhotos::Lent> buffer = decoded.lendIfRoom(photo);
      if (!buffer) break;
      lent.push_back(std::move(*buffer));
    }
    EXPECT_EQ(lent.size(), reserve == 0 ? 4u : 5u);
    for (std::size_t photo = 0; photo < lent.size(); ++photo)
      decoded.keep(photo, std::move(lent[photo]));
    EXPECT_TRUE(decoded.holds(2));
    EXPECT_FALSE(decoded.holds(3));
  }
}

// Photo files opened afresh: the composition releases what it painted.
struct OpenedSeries {
  explicit OpenedSeries(const std::vector<std::filesystem::path>& files) {
    for (const auto& file : files) {
      bitmaps.push_back(imaging::Bitmap::fromFile(file.string()));
      pointers.push_back(bitmaps.back().get());
    }
  }
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> pointers;
};

// Kept photos large enough to be mapped on their own lend their memory, once painted, to the
// panorama columns the next photo paints: it must go nowhere those columns are not, in an open
// series or a full circle (photo 0 painted aside and copied, the closing copy, the cross-fade).
TEST(ComposePanorama, KeptPhotosGiveTheSameBytesAsPhotosDecodedAgain) {
  const test::TempDir dir;
  for (const auto& files : {test::samplePhotos("trail"),
                            test::writeEnlarged(test::samplePhotos("trail"), 2, dir.path())}) {
    StitchParams params = paramsFromProfileText(kDefaultProfileText);
    NullTrace trace;
    OpenedSeries aligned(files);
    const std::optional<StitchResult> stitched =
        stitchPanorama(aligned.pointers, params, nullptr, trace);
    ASSERT_TRUE(stitched && stitched->cameras.size() == 5);
    for (const bool fullCircle : {false, true}) {
      // A full circle closes with photo 0 one turn on, after a wide gap here.
      std::vector<CameraRecord> cameras = stitched->cameras;
      if (fullCircle) cameras.push_back(cameras[0]);
      params.full360 = fullCircle ? 1 : 0;
      for (const int workers : {1, 2}) {
        OpenedSeries read(files);
        const std::optional<ComposedPanorama> expected =
            composePanorama(read.pointers, cameras, params, nullptr, workers);
        ASSERT_TRUE(expected);
        // Kept sets that leave the reader's buffers to come from kept photos, from nowhere, or
        // both.
        for (const std::vector<std::size_t>& keptSet :
             {std::vector<std::size_t>{0, 1, 2, 3, 4}, {1}, {0, 2}, {0, 1, 4}, {3}}) {
          OpenedSeries photos(files);
          const ImageSize size{photos.pointers[0]->width(), photos.pointers[0]->height()};
          SCOPED_TRACE(testing::Message()
                       << size.width << " wide, full circle " << fullCircle << ", " << workers
                       << " workers, " << keptSet.size() << " kept");
          DecodedPhotos decoded(5, size, fullCircle, 0);
          decoded.widen(6);
          for (const std::size_t photo : keptSet) {
            DecodedPhotos::Lent lent = decoded.lend();
            readPhotoPixels(*photos.pointers[photo], lent.pixels().data(), size);
            decoded.keep(photo, std::move(lent));
            ASSERT_TRUE(decoded.holds(photo));
          }
          const std::optional<ComposedPanorama> composed =
              composePanorama(photos.pointers, cameras, params, nullptr, workers, &decoded);
          ASSERT_TRUE(composed);
          EXPECT_TRUE(composed->pixels == expected->pixels);
          for (std::size_t photo = 0; photo < 5; ++photo) EXPECT_FALSE(decoded.holds(photo));
        }
      }
    }
  }
}

}  // namespace
}  // namespace skylacer
