// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/initialisation.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/command.h"
#include "tests/movwriter/test_pictures.h"
#include "tests/support/temp_dir.h"

namespace skylacer::movwriter {
namespace {

namespace fs = std::filesystem;

TEST(Initialisation, ALibraryThatCannotServeIsReportedAsNotInstalled) {
  const Binding missing = bindCodecs("libskylacer-no-such-codec.so.1");
  EXPECT_EQ(missing.codecs, nullptr);
  EXPECT_EQ(missing.failure, InitialisationFailure::NotInstalled);
  EXPECT_FALSE(missing.detail.empty());

  const Binding wrong = bindCodecs("libc.so.6");
  EXPECT_EQ(wrong.codecs, nullptr);
  EXPECT_EQ(wrong.failure, InitialisationFailure::NotInstalled);
  EXPECT_NE(wrong.detail.find("avcodec_find_encoder_by_name"), std::string::npos) << wrong.detail;

  EXPECT_NE(bindCodecs(toolbox::CodecLibrary::builtSoname()).codecs, nullptr);
}

TEST(Initialisation, MessagesAreTheUsersWords) {
  EXPECT_STREQ(failureMessage(InitialisationFailure::NotInstalled),
               "Failed: QuickTime is not installed on this computer.");
  EXPECT_STREQ(failureMessage(InitialisationFailure::CannotInitialise),
               "Failed: Could not initialize QuickTime. Exiting.");
  EXPECT_STREQ(kMessageTitle, "Quiltra");
}

// A process whose loader finds a "libavcodec" that is no codec library (the movie writer itself
// under that name) gets the message through the host's function, a result of 1 and no files,
// twice: a failed binding is not remembered.
TEST(Initialisation, WithoutUsableLibavcodecTheHostShowsTheMessageAndNothingIsWritten) {
  test::TempDir dir;
  fs::create_directory(dir / "lib");
  fs::create_symlink(MOVWRITER_LIBRARY, dir / "lib" / toolbox::CodecLibrary::builtSoname());
  test::writeJpeg(dir / "upright.jpg", test::patternPicture(96, 480));
  const test::CommandResult probe =
      test::run("LD_LIBRARY_PATH=" + test::quoted(dir / "lib") + " " MOVWRITER_MESSAGE_PROBE " " +
                test::quoted(dir / "pano.mov") + " " + test::quoted(dir / "upright.jpg") + " " +
                test::quoted(dir / "tile"));
  ASSERT_EQ(probe.exitCode, 0) << probe.output;
  const std::string message =
      "message: Quiltra|Failed: QuickTime is not installed on this computer.";
  EXPECT_EQ(test::lines(probe.output),
            (std::vector<std::string>{message, "result: 1", message, "result: 1"}));
  EXPECT_FALSE(fs::exists(dir / "pano.mov"));
  EXPECT_FALSE(fs::exists(dir / "tile")) << "the scratch file is deleted on this return too";
}

TEST(Initialisation, WithLibavcodecTheProbeWritesTheMovieWithoutMessages) {
  test::TempDir dir;
  test::writeJpeg(dir / "upright.jpg", test::patternPicture(96, 480));
  const test::CommandResult probe =
      test::run(MOVWRITER_MESSAGE_PROBE " " + test::quoted(dir / "pano.mov") + " " +
                test::quoted(dir / "upright.jpg") + " " + test::quoted(dir / "tile"));
  EXPECT_EQ(test::lines(probe.output), (std::vector<std::string>{"result: 0", "result: 0"}));
  EXPECT_TRUE(fs::exists(dir / "pano.mov"));
}

}  // namespace
}  // namespace skylacer::movwriter
