// SPDX-License-Identifier: GPL-3.0-or-later
// Profiles against the tuner's limits: a registry file with a value outside them is refused
// naming the field; stored values outside them are used within the limits, with one warning,
// and the store is left as it is.

#include <gtest/gtest.h>

#include <string>

#include "platform/registry/application_settings.h"
#include "platform/registry/settings_store.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"
#include "tuning/profile_reg_file.h"
#include "tuning/profiles.h"

namespace skylacer::tuning {
namespace {

using registry::SettingsStore;

TEST(ProfileBoundsImport, AValueOutsideTheLimitsIsRefusedWithItsLineAndField) {
  const ProfileRegFileContent content = parseProfileRegFile(
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Oskelvind\\Skylacer 3\\Params]\r\n"
      "\"0\"=\"Fine\"\r\n"
      "\"val0\"=\"100 10 90 16 8000 32 1 1 1 1 0 140 43\"\r\n"
      "\"1\"=\"Wide seams\"\r\n"
      "\"val1\"=\"100 10 90 16 8000 -2147483648 1 1 1 1 0 140 43\"\r\n");
  ASSERT_TRUE(content.error.has_value());
  EXPECT_EQ(content.error->line, 7);
  EXPECT_NE(content.error->message.find(
                "number 6 (pixels for image blending) is -2147483648; it must be 1 to 2048"),
            std::string::npos)
      << content.error->message;
  EXPECT_TRUE(content.profiles.empty());
}

TEST(ProfileBoundsStore, BothReadersUseStoredValuesWithinTheLimitsWarnOnceAndWriteNothing) {
  test::TempDir dir;
  SettingsStore user(dir / "user.db", SettingsStore::Access::ReadWrite);
  const SettingsStore machine(dir / "machine.db", SettingsStore::Access::ReadOnly);
  const std::string key = registry::sectionKeyPath(kProfileSection);
  const auto store = [&](int index, const std::string& name, const std::string& text) {
    ASSERT_TRUE(user.writeString(key, profileNameValue(index), name));
    ASSERT_TRUE(user.writeString(key, profileTextValue(index), text));
  };
  store(0, "Slow", "100 10 90 2147483647 8000 32 1 1 1 1 0 140 43");
  store(1, "Fine", "100 10 90 16 8000 32 1 1 1 1 0 140 43");
  store(2, "Odd", "100 10 90 16 8000 -2147483648 1 1 1 1 0 999 43");
  const std::string storedBytes = test::fileText(user.databaseFile());

  const ProfileTable tuner = readProfilesForEditing(user, 0);
  struct MovieSink : output::MovieVariables {
    void setVariable(std::string_view, std::string_view) override {}
    std::string getVariable(std::string_view) override { return {}; }
  } movie;
  const ProfileTable mainWindow = loadProfiles(user, machine, 0, movie);
  for (const ProfileTable* table : {&tuner, &mainWindow}) {
    ASSERT_EQ(table->count(), 3);
    EXPECT_EQ(table->profiles[0].record.iterationsPerLevel, 128);
    EXPECT_EQ(table->profiles[2].record.blendPixels, 1);
    EXPECT_EQ(table->profiles[2].record.lensSlider, 300);
    EXPECT_EQ(table->profiles[1].record.iterationsPerLevel, 16);
    EXPECT_EQ(table->boundsWarning,
              "profile \"Slow\": number 4 (iterations per level of details) 2147483647 is used as "
              "128; profile \"Odd\": number 6 (pixels for image blending) -2147483648 is used as "
              "1, number 12 (lens slider position) 999 is used as 300");
  }
  EXPECT_EQ(test::fileText(user.databaseFile()), storedBytes) << "the store is not rewritten";
  EXPECT_EQ(user.readString(key, profileTextValue(0)),
            "100 10 90 2147483647 8000 32 1 1 1 1 0 140 43");
}

}  // namespace
}  // namespace skylacer::tuning
