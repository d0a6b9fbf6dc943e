#include "viewer/start_options.h"

#include <gtest/gtest.h>

namespace skylacer::viewer {
namespace {

struct CommandLine {
  const char* text;
  bool valid;
  bool emulation;
  bool systemMemory;
};

class StartOptionsTest : public testing::TestWithParam<CommandLine> {};

TEST_P(StartOptionsTest, SplitsAtSpacesAndHyphensAndMatchesCaseSensitively) {
  const CommandLine& line = GetParam();
  const std::optional<StartOptions> options = parseStartOptions(line.text);
  ASSERT_EQ(options.has_value(), line.valid);
  if (!options) return;
  EXPECT_EQ(options->emulation, line.emulation);
  EXPECT_EQ(options->systemMemory, line.systemMemory);
  EXPECT_EQ(options->softwareRendering(), line.emulation || line.systemMemory);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StartOptionsTest,
    testing::Values(CommandLine{"", true, false, false}, CommandLine{"  - -- ", true, false, false},
                    CommandLine{"-emulation", true, true, false},
                    CommandLine{"--emulation", true, true, false},
                    CommandLine{"emulation", true, true, false},
                    CommandLine{"-systemmemory", true, false, true},
                    CommandLine{"-systemmemory -emulation", true, true, true},
                    CommandLine{"-emulation -systemmemory", true, true, true},
                    CommandLine{"-emulation-systemmemory", true, true, true},
                    CommandLine{"-emulation -emulation", true, true, false},
                    CommandLine{"-Emulation", false, false, false},
                    CommandLine{"-emulation -fullscreen", false, false, false},
                    CommandLine{"/emulation", false, false, false},
                    CommandLine{"-system memory", false, false, false},
                    CommandLine{"-emulation\t", false, false, false}));

TEST(StartOptions, CommandLineTextJoinsTheArgumentsAfterTheProgramName) {
  const char* argv[] = {"/opt/viewer.dat", "-emulation", "x y", nullptr};
  EXPECT_EQ(commandLineText(3, argv), "-emulation x y");
  EXPECT_EQ(commandLineText(1, argv), "");
  // "x y" splits into two tokens, neither an option.
  EXPECT_FALSE(parseStartOptions(commandLineText(3, argv)));
}

}  // namespace
}  // namespace skylacer::viewer
