// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli and profile values outside the tuner's limits: --params refuses them naming the
// field, a stored profile is used within the limits after one warning.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/application_settings.h"
#include "platform/registry/settings_store.h"
#include "tests/cli/cli_run.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tuning/profiles.h"

namespace skylacer::cli {
namespace {

using registry::SettingsStore;

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

TEST(ParamsOption, RefusesAnythingButThirteenNumbersWithinTheLimits) {
  const CliSandbox sandbox;
  const std::string photo = test::samplePhotos("mountains").front().string();
  const struct {
    const char* params;
    const char* reason;
  } refusals[] = {
      {"100 10 90 16 8000 32 1 1 1 1 0 140 43 7", "it holds 14 numbers, not 13"},
      {"100 10 90 16 8000 32 1 1 1 1 0 140", "it holds 12 numbers, not 13"},
      {"100 10 90 16 8000 -2147483648 1 1 1 1 0 140 43",
       "number 6 (pixels for image blending) is -2147483648; it must be 1 to 2048"},
      {"100 10 90 2147483647 8000 32 1 1 1 1 0 140 43",
       "number 4 (iterations per level of details) is 2147483647; it must be 1 to 128"},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.params);
    const ProgramRun run = runCli(
        {"stitch", "--params", refusal.params, photo, photo, "-o", (sandbox / "out.jpg").string()});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.err.find(std::string("--params needs the 13 numbers of a profile, such as "
                                       "\"100 10 90 16 8000 32 1 1 1 1 0 140 43\": ") +
                           refusal.reason),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(sandbox / "out.jpg"));
  }
}

TEST(StoredProfileBounds, ValuesOutsideTheLimitsAreUsedWithinThemAfterOneWarning) {
  const CliSandbox sandbox;
  const std::string key = registry::sectionKeyPath(tuning::kProfileSection);
  {
    SettingsStore store(sandbox.userStoreFile(), SettingsStore::Access::ReadWrite);
    ASSERT_TRUE(store.writeString(key, "0", "Wide seams"));
    ASSERT_TRUE(store.writeString(key, "val0", "100 10 90 16 8000 99999 1 1 1 1 0 140 43"));
  }
  const std::string storedBytes = test::fileText(sandbox.userStoreFile());
  const std::string warning =
      "panorama-cli: warning: stored values outside the tuner's limits: profile \"Wide seams\": "
      "number 6 (pixels for image blending) 99999 is used as 2048 (the settings store is left as "
      "it is)\n";

  const ProgramRun list = runCli({"profiles", "list"});
  ASSERT_EQ(list.exitStatus, 0) << list.err;
  EXPECT_EQ(list.err, warning);
  EXPECT_EQ(list.out, "0\tWide seams\t\t100 10 90 16 8000 2048 1 1 1 1 0 140 43\n");

  const std::string photo = test::samplePhotos("mountains").front().string();
  const ProgramRun stitch = runCli({"stitch", "--profile", "Wide seams", "--hfov", "60", photo,
                                    "-o", (sandbox / "one.jpg").string()});
  ASSERT_EQ(stitch.exitStatus, 0) << stitch.err;
  EXPECT_EQ(occurrences(stitch.err, "warning:"), 1u) << stitch.err;
  EXPECT_NE(stitch.err.find(warning), std::string::npos) << stitch.err;
  EXPECT_EQ(test::fileText(sandbox.userStoreFile()), storedBytes);
}

}  // namespace
}  // namespace skylacer::cli
