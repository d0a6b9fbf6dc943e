// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/image.h"

#include <gtest/gtest.h>

#include "output/messages.h"
#include "tests/output/recorders.h"
#include "tests/output/test_panorama.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

using imaging::ImagingStatus;

struct SliceCase {
  ImageSize source;
  ImageSize output;
  int partWidth;
  std::vector<int> widths;
};

class SliceWidths : public testing::TestWithParam<SliceCase> {};

TEST_P(SliceWidths, PartsCoverTheOutputAndShowTheirOwnColumns) {
  const SliceCase& c = GetParam();
  const test::TestPanorama panorama = test::gradientPanorama(c.source);
  test::TempDir folder;
  const SliceNames names{(folder / "part").string(), ".jpg"};
  ASSERT_EQ(writeSlices(names, panorama.pixels.data(), c.source, 0, c.output, c.partWidth, 90),
            ImagingStatus::Ok);

  ASSERT_EQ(test::fileNames(folder.path()).size(), c.widths.size());
  const double scale = double(c.source.width) / c.output.width;
  int sourceColumn = 0;
  for (std::size_t i = 0; i < c.widths.size(); ++i) {
    SCOPED_TRACE("part " + std::to_string(i + 1));
    const std::string part = names.pathOf(int(i) + 1);
    EXPECT_EQ(test::pictureSize(part), (ImageSize{c.widths[i], c.output.height}));
    // The blue ramp's mean over the part is the ramp at the middle of its source columns.
    const double middle = sourceColumn + c.widths[i] * scale / 2;
    EXPECT_NEAR(test::channelMean(part, 0), middle * 255 / (c.source.width - 1), 2.5);
    sourceColumn += int(c.partWidth * scale);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SliceWidths,
    testing::Values(SliceCase{{8000, 2048}, {4000, 1024}, 1024, {1024, 1024, 1024, 928}},
                    SliceCase{
                        {1000, 40}, {1000, 40}, 128, {128, 128, 128, 128, 128, 128, 128, 104}},
                    SliceCase{{500, 40}, {1000, 80}, 256, {256, 256, 256, 232}}));

TEST(Slices, PartNumbersAreInsertedAsTextNotThroughAFormat) {
  const test::TestPanorama panorama = test::gradientPanorama({64, 16});
  test::TempDir folder;
  std::filesystem::create_directory(folder / "100%d %s");
  const SliceNames names{(folder / "100%d %s" / "p%n").string(), ".jpg"};
  ASSERT_EQ(writeSlices(names, panorama.pixels.data(), {64, 16}, 0, {64, 16}, 32, 75),
            ImagingStatus::Ok);
  EXPECT_EQ(test::fileNames(folder / "100%d %s"),
            (std::vector<std::string>{"p%n1.jpg", "p%n2.jpg"}));
}

TEST(Slices, AFailedPartIsReportedAndTheOthersAreWritten) {
  const test::TestPanorama panorama = test::gradientPanorama({64, 16});
  test::TempDir folder;
  std::filesystem::create_directory(folder / "p2.jpg");  // the second part cannot be written
  const SliceNames names{(folder / "p").string(), ".jpg"};
  EXPECT_NE(writeSlices(names, panorama.pixels.data(), {64, 16}, 0, {64, 16}, 16, 75),
            ImagingStatus::Ok);
  EXPECT_EQ(test::pictureSize(folder / "p1.jpg"), (ImageSize{16, 16}));
  EXPECT_EQ(test::pictureSize(folder / "p4.jpg"), (ImageSize{16, 16}));
}

TEST(WriteJpeg, SameSizeIsUnscaledOtherSizesAreScaled) {
  const test::TestPanorama panorama = test::gradientPanorama({300, 100});
  test::TempDir folder;
  for (ImageSize output : {ImageSize{300, 100}, ImageSize{150, 50}, ImageSize{600, 120}}) {
    SCOPED_TRACE(std::to_string(output.width) + "x" + std::to_string(output.height));
    const std::string path = (folder / "out.jpg").string();
    ASSERT_EQ(writeJpeg(path, panorama.pixels.data(), panorama.size, 0, output, 95),
              ImagingStatus::Ok);
    EXPECT_EQ(test::pictureSize(path), output);
    EXPECT_NEAR(test::channelMean(path, 0), 127.5, 1.5);
    EXPECT_NEAR(test::channelMean(path, 1, 0, output.height / 2), 63.5, 2.5);
  }
}

TEST(WriteJpeg, RowStrideIsHonouredAndQualityReachesTheEncoder) {
  // The picture is the left 100 columns of a 300-column buffer: its ramp ends at a third.
  const test::TestPanorama buffer = test::gradientPanorama({300, 100});
  test::TempDir folder;
  const std::string low = (folder / "q0.jpg").string(), high = (folder / "q100.jpg").string();
  ASSERT_EQ(writeJpeg(low, buffer.pixels.data(), {100, 100}, 900, {100, 100}, 0),
            ImagingStatus::Ok);
  ASSERT_EQ(writeJpeg(high, buffer.pixels.data(), {100, 100}, 900, {100, 100}, 100),
            ImagingStatus::Ok);
  EXPECT_NEAR(test::channelMean(high, 0), 42.5, 1.5);
  EXPECT_LT(std::filesystem::file_size(low) * 3, std::filesystem::file_size(high));
}

// The panorama's JPEG is encoded in stripes on several threads: the bytes do not depend on how
// many, and a stop asked between two stripes keeps nothing.
TEST(EncodeJpeg, TheBytesAreTheSameForAnyNumberOfWorkersAndAStopKeepsNothing) {
  const test::TestPanorama panorama = test::gradientPanorama({1500, 2000});
  std::vector<std::uint8_t> one, three;
  ASSERT_EQ(encodeJpeg(panorama.pixels.data(), panorama.size, 0, panorama.size, 80, one, nullptr,
                       nullptr, 1),
            ImagingStatus::Ok);
  ASSERT_EQ(encodeJpeg(panorama.pixels.data(), panorama.size, 0, panorama.size, 80, three, nullptr,
                       nullptr, 3),
            ImagingStatus::Ok);
  EXPECT_TRUE(one == three);
  const test::TempDir folder;
  test::writeFile(folder / "one.jpg", one);
  EXPECT_EQ(test::pictureSize(folder / "one.jpg"), panorama.size);

  test::RecordingProgress progress;
  progress.stopFrom = 0.5;
  std::vector<std::uint8_t> kept{1, 2, 3};
  EXPECT_EQ(encodeJpeg(panorama.pixels.data(), panorama.size, 0, panorama.size, 80, kept, nullptr,
                       &progress, 2),
            ImagingStatus::Aborted);
  EXPECT_EQ(kept, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(SavePanorama, JpegReportsItsStepsAndItsFailure) {
  const test::TestPanorama panorama = test::gradientPanorama({200, 50});
  test::TempDir folder;
  for (int filterIndex : {1, 3}) {
    SCOPED_TRACE(filterIndex);
    test::RecordingProgress progress;
    test::RecordingPrompt prompt;
    const std::string path = (folder / "pano.jpg").string();
    ASSERT_TRUE(
        savePanorama(panorama.view(), path, filterIndex, {{100, 25}, 80}, progress, prompt));
    EXPECT_EQ(test::pictureSize(path), (ImageSize{100, 25}));
    EXPECT_EQ(progress.texts(),
              (std::vector<std::string>{"Saving: ", "Converting to JPEG.", "Converting to JPEG.",
                                        "Opening result... "}));
    // The sub-range's closing report, after those of the scaling's and the encoding's bands and
    // before "Opening result... ".
    ASSERT_GE(progress.reports.size(), 2u);
    const test::RecordingProgress::Entry& closing = progress.reports[progress.reports.size() - 2];
    EXPECT_EQ(closing.text, "Converting to JPEG.");
    EXPECT_DOUBLE_EQ(closing.position, 0.95);
    EXPECT_TRUE(prompt.messages.empty());
  }

  test::RecordingProgress progress;
  test::RecordingPrompt prompt;
  EXPECT_FALSE(savePanorama(panorama.view(), (folder / "none" / "pano.jpg").string(), 1,
                            {{100, 25}, 80}, progress, prompt));
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_TRUE(
      prompt.messages[0].starts_with("Failed to save the image.      \r\n\r\nError code: "));
  EXPECT_NE(progress.texts().back(), "Opening result... ");
}

TEST(Messages, ImageFailureNamesItsStatus) {
  EXPECT_EQ(imageSaveFailedText(ImagingStatus::Win32Error),
            "Failed to save the image.      \r\n\r\nError code: 7");
}

}  // namespace
}  // namespace skylacer::output
