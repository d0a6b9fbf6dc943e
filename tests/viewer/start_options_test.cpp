// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/start_options.h"

#include <gtest/gtest.h>

namespace skylacer::viewer {
namespace {

struct OptionLine {
  const char* text;
  bool valid;
  bool emulation;
  bool systemMemory;
};

class StartOptionsTest : public testing::TestWithParam<OptionLine> {};

TEST_P(StartOptionsTest, SplitsAtSpacesAndHyphensAndMatchesCaseSensitively) {
  const OptionLine& line = GetParam();
  const std::optional<StartOptions> options = parseStartOptions(line.text);
  ASSERT_EQ(options.has_value(), line.valid);
  if (!options) return;
  EXPECT_EQ(options->emulation, line.emulation);
  EXPECT_EQ(options->systemMemory, line.systemMemory);
  EXPECT_EQ(options->softwareRendering(), line.emulation || line.systemMemory);
}

INSTANTIATE_TEST_SUITE_P(Lines, StartOptionsTest,
                         testing::Values(OptionLine{"", true, false, false},
                                         OptionLine{"  - -- ", true, false, false},
                                         OptionLine{"-emulation", true, true, false},
                                         OptionLine{"--emulation", true, true, false},
                                         OptionLine{"emulation", true, true, false},
                                         OptionLine{"-systemmemory", true, false, true},
                                         OptionLine{"-systemmemory -emulation", true, true, true},
                                         OptionLine{"-emulation -systemmemory", true, true, true},
                                         OptionLine{"-emulation-systemmemory", true, true, true},
                                         OptionLine{"-emulation -emulation", true, true, false},
                                         OptionLine{"-Emulation", false, false, false},
                                         OptionLine{"-emulation -fullscreen", false, false, false},
                                         OptionLine{"/emulation", false, false, false},
                                         OptionLine{"-system memory", false, false, false},
                                         OptionLine{"-emulation\t", false, false, false}));

TEST(StartOptions, CommandLineTextJoinsTheArgumentsAfterTheProgramName) {
  const char* argv[] = {"/opt/viewer.dat", "-emulation", "x y", nullptr};
  EXPECT_EQ(commandLineText(3, argv), "-emulation x y");
  EXPECT_EQ(commandLineText(1, argv), "");
  // "x y" splits into two tokens, neither an option.
  EXPECT_FALSE(parseStartOptions(commandLineText(3, argv)));
}

TEST(StartOptions, HelpIsAnOptionWord) {
  for (const char* line : {"-help", "--help", "-h", "-?", "-emulation -help"}) {
    SCOPED_TRACE(line);
    const auto options = parseStartOptions(line);
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->help);
  }
  EXPECT_FALSE(parseStartOptions("-emulation")->help);
}

TEST(StartOptions, AWordWithoutHyphenIsThePicturesPath) {
  const CommandLine plain = parseCommandLine({"/home/me/my-pano.jpg"});
  ASSERT_TRUE(plain.options);
  EXPECT_EQ(plain.picturePath, "/home/me/my-pano.jpg");  // hyphens inside a path do not split it
  EXPECT_FALSE(plain.options->softwareRendering());

  const CommandLine withOptions = parseCommandLine({"-emulation", "pano.jpg", "systemmemory"});
  ASSERT_TRUE(withOptions.options);
  EXPECT_EQ(withOptions.picturePath, "pano.jpg");
  EXPECT_TRUE(withOptions.options->emulation);
  EXPECT_TRUE(withOptions.options->systemMemory);

  const CommandLine none = parseCommandLine({});
  ASSERT_TRUE(none.options);
  EXPECT_TRUE(none.picturePath.empty());

  EXPECT_FALSE(parseCommandLine({"a.jpg", "b.jpg"}).options);        // one picture only
  EXPECT_FALSE(parseCommandLine({"-fullscreen", "a.jpg"}).options);  // an unknown option
  EXPECT_FALSE(parseCommandLine({"--pano.jpg"}).options);            // hyphens make options
}

}  // namespace
}  // namespace skylacer::viewer
