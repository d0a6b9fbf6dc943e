// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/viewerexport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "output/messages.h"
#include "tests/output/recorders.h"
#include "tests/output/test_panorama.h"
#include "tests/support/file_contents.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "viewer/panorama_block.h"

namespace skylacer::output {
namespace {

// A stand-in viewer program: some bytes holding the magic once, as the real one does.
std::vector<std::uint8_t> fakeViewer() {
  std::vector<std::uint8_t> program(5000, 0x90);
  std::copy(viewer::kPanoramaMagic.begin(), viewer::kPanoramaMagic.end(), program.begin() + 1234);
  return program;
}

struct ExportPlace {
  test::TempDir temporary, install, out;
  test::ScopedEnv tmpdir{"TMPDIR", temporary.path().c_str()};
};

TEST(ViewerExport, ProgramIsTheViewerThenTheBlockThenTheJpeg) {
  ExportPlace place;
  const std::vector<std::uint8_t> program = fakeViewer();
  test::writeFile(place.install / kViewerFileName, program);
  const test::TestPanorama panorama = test::gradientPanorama({400, 100});
  const double fullCircle = 6.283185307179586;
  const std::filesystem::path exe = place.out / "pano";
  test::writeFile(exe, std::vector<std::uint8_t>(100000, 1));  // replaced completely

  test::RecordingProgress progress;
  test::RecordingPrompt prompt;
  ASSERT_TRUE(exportViewer(exe, panorama.view(fullCircle), {{200, 50}, 90}, place.install.path(),
                           progress, prompt));
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(progress.texts(),
            (std::vector<std::string>{"Saving: Preparing exe file.", "Saving: Converting to JPEG.",
                                      "Saving: Finished."}));

  const std::vector<std::uint8_t> bytes = test::fileBytes(exe);
  ASSERT_GT(bytes.size(), program.size() + 32);
  EXPECT_TRUE(std::equal(program.begin(), program.end(), bytes.begin()));
  const std::string_view magic(reinterpret_cast<const char*>(&bytes[program.size()]), 24);
  EXPECT_EQ(magic, std::string_view("Oskelvind Panorama Data\0", 24));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + program.size() + 24,
                                      bytes.begin() + program.size() + 32),
            (std::vector<std::uint8_t>{0x18, 0x2D, 0x44, 0x54, 0xFB, 0x21, 0x19, 0x40}));

  // The viewer's own reading finds the block and a picture of the chosen size.
  const std::optional<viewer::PanoramaBlock> block = viewer::findPanoramaBlock(bytes);
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ(block->fieldOfView, fullCircle);
  EXPECT_EQ(block->pictureOffset, program.size() + 32);
  EXPECT_EQ(bytes[block->pictureOffset], 0xFF);
  EXPECT_EQ(bytes[block->pictureOffset + 1], 0xD8);
  test::writeFile(place.out / "picture.jpg", {bytes.begin() + block->pictureOffset, bytes.end()});
  EXPECT_EQ(test::pictureSize(place.out / "picture.jpg"), (ImageSize{200, 50}));

  struct stat info {};
  ASSERT_EQ(::stat(exe.c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IXUSR, 0u);
  EXPECT_TRUE(test::fileNames(place.temporary.path()).empty());
}

TEST(ViewerExport, FailuresLeaveNothingHalfWritten) {
  const test::TestPanorama panorama = test::gradientPanorama({400, 100});
  struct Case {
    const char* name;
    bool viewerPresent;
    const char* output;  // relative to the output folder
    ImageSize size;
  };
  for (const Case& c : {Case{"viewer.dat missing", false, "pano", {200, 50}},
                        Case{"output folder missing", true, "none/pano", {200, 50}},
                        Case{"picture too large", true, "pano", {1 << 16, 1 << 15}}}) {
    SCOPED_TRACE(c.name);
    ExportPlace place;
    if (c.viewerPresent) test::writeFile(place.install / kViewerFileName, fakeViewer());
    test::RecordingProgress progress;
    test::RecordingPrompt prompt;
    EXPECT_FALSE(exportViewer(place.out / c.output, panorama.view(), {c.size, 75},
                              place.install.path(), progress, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    if (!c.viewerPresent)
      EXPECT_EQ(prompt.messages[0], viewerMissingText(place.install / kViewerFileName));
    else if (c.size.width > 1000)
      EXPECT_EQ(
          prompt.messages[0],
          withDetail(imageSaveFailedText(imaging::ImagingStatus::ValueOverflow),
                     cannotWriteText(place.out / c.output,
                                     imagingReasonText(imaging::ImagingStatus::ValueOverflow))));
    else
      EXPECT_EQ(prompt.messages[0], withDetail(fileSaveFailedText(place.out / c.output),
                                               folderMissingText(place.out / "none")));
    EXPECT_TRUE(test::fileNames(place.out.path()).empty());
    EXPECT_TRUE(test::fileNames(place.temporary.path()).empty());
  }
}

}  // namespace
}  // namespace skylacer::output
