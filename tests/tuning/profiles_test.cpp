// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/profiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/registry/application_settings.h"
#include "platform/registry/settings_store.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::tuning {
namespace {

using registry::SettingsStore;
using test::fileText;
using test::TempDir;
using Variables = std::map<std::string, std::string, std::less<>>;

const std::string kParamKey = registry::sectionKeyPath(kProfileSection);

class RecordingMovie : public output::MovieVariables {
 public:
  void setVariable(std::string_view name, std::string_view text) override {
    variables[std::string(name)] = std::string(text);
  }
  std::string getVariable(std::string_view name) override {
    const auto found = variables.find(name);
    return found == variables.end() ? std::string() : found->second;
  }

  Variables variables;
};

// The user's store and the machine-wide store of a test, both files in one temporary folder and
// absent until something writes them. The machine store is read-only to the code under test;
// `machineWriter` fills it.
struct TestStores {
  TempDir dir;
  SettingsStore user{dir / "user.db", SettingsStore::Access::ReadWrite};
  SettingsStore machineWriter{dir / "machine.db", SettingsStore::Access::ReadWrite};
  SettingsStore machine{dir / "machine.db", SettingsStore::Access::ReadOnly};
};

void storeProfile(SettingsStore& store, int index, const std::string& name,
                  const std::string& description, const std::string& text) {
  ASSERT_TRUE(store.writeString(kParamKey, profileNameValue(index), name));
  ASSERT_TRUE(store.writeString(kParamKey, profileDescriptionValue(index), description));
  ASSERT_TRUE(store.writeString(kParamKey, profileTextValue(index), text));
}

std::vector<std::string> names(const ProfileTable& table) {
  std::vector<std::string> result;
  for (const ParamProfile& profile : table.profiles) result.push_back(profile.name);
  return result;
}

// Profiles whose 13 stored fields all differ from the template and from each other.
std::vector<ParamProfile> distinctProfiles(int count) {
  std::vector<ParamProfile> profiles;
  for (int index = 0; index < count; ++index) {
    ParamProfile profile{
        "profile " + std::to_string(index), "made for test " + std::to_string(index), {}};
    for (int position = 0; position < kProfileTextFields; ++position) {
      paramField(profile.record, kProfileTextField[static_cast<std::size_t>(position)]) =
          index * 100 + position - 7;
    }
    profiles.push_back(profile);
  }
  return profiles;
}

TEST(LoadProfiles, EmptyStoresGiveTheBuiltInDefaultAndPreciseProfilesAndChangeNothing) {
  for (const bool withEmptyParamKey : {false, true}) {
    SCOPED_TRACE(withEmptyParamKey ? "empty Param key" : "no store file");
    TestStores stores;
    if (withEmptyParamKey) {
      ASSERT_TRUE(stores.user.createKey(kParamKey));
    }
    const std::string userBytesBefore = fileText(stores.user.databaseFile());
    RecordingMovie movie;

    const ProfileTable table = loadProfiles(stores.user, stores.machine, 0, movie);

    ASSERT_EQ(table.count(), 3);
    EXPECT_EQ(table.profiles[0], (ParamProfile{"Default", "Default profile",
                                               paramsFromProfileText(kDefaultProfileText)}));
    EXPECT_EQ(table.profiles[1], (ParamProfile{"Precise", "Slower, most accurate alignment",
                                               paramsFromProfileText(kPreciseProfileText)}));
    EXPECT_EQ(table.profiles[2], searchOnlyProfile());
    EXPECT_EQ(table.profiles[2].record.autoFocal, kAutoFocalSearchOnly);
    EXPECT_EQ(table.current, 0);
    EXPECT_EQ(
        movie.variables,
        (Variables{{"name0", "Default"},
                   {"desc0", "Default profile"},
                   {"name1", "Precise"},
                   {"desc1", "Slower, most accurate alignment"},
                   {"name2", "Coarse search"},
                   {"desc2", "The alignment by the coarse search alone, without feature matching"},
                   {"namemax", "3"},
                   {"curparam", "0"}}));
    EXPECT_EQ(std::filesystem::exists(stores.user.databaseFile()), withEmptyParamKey);
    EXPECT_EQ(fileText(stores.user.databaseFile()), userBytesBefore);
    EXPECT_FALSE(std::filesystem::exists(stores.machine.databaseFile()));
  }
}

TEST(ReadProfilesForEditing, EmptyStoreGivesTheTemplateAsDefaultParameterSetThenPrecise) {
  TestStores stores;
  std::vector<std::string> listed;
  const ProfileTable table = readProfilesForEditing(
      stores.user, 3, [&](const std::string& name) { listed.push_back(name); });

  ASSERT_EQ(table.count(), 3);
  EXPECT_EQ(table.profiles[0],
            (ParamProfile{"Default", "Default parameter set", templateRecord()}));
  EXPECT_EQ(table.profiles[1], (ParamProfile{"Precise", "Slower, most accurate alignment",
                                             paramsFromProfileText(kPreciseProfileText)}));
  EXPECT_EQ(table.current, 2);  // the index asked for is past the end: the last profile
  EXPECT_EQ(listed, (std::vector<std::string>{"Default", "Precise", "Coarse search"}));
  EXPECT_FALSE(std::filesystem::exists(stores.user.databaseFile()));
}

enum class Reader { MainWindow, Tuner };
enum class StoredIn { User, MachineOnly };

ProfileTable readProfiles(Reader reader, TestStores& stores, int current = 0) {
  RecordingMovie movie;
  return reader == Reader::MainWindow ? loadProfiles(stores.user, stores.machine, current, movie)
                                      : readProfilesForEditing(stores.user, current);
}

struct LensSliderCase {
  const char* label;
  Reader reader;
  StoredIn storedIn;
  std::int32_t lensSlider;
};

class ShortProfileText : public testing::TestWithParam<LensSliderCase> {};

TEST_P(ShortProfileText, LeavesTheLensSliderAtTheReadersPreset) {
  const LensSliderCase& sample = GetParam();
  TestStores stores;
  SettingsStore& store = sample.storedIn == StoredIn::User ? stores.user : stores.machineWriter;
  storeProfile(store, 0, "Eleven", "eleven numbers", "60 11 95 12 7000 24 0 1 0 1 2");

  const ProfileTable table = readProfiles(sample.reader, stores);

  ASSERT_EQ(names(table), std::vector<std::string>{"Eleven"});
  const StitchParams& record = table.profiles[0].record;
  EXPECT_EQ(record.lensSlider, sample.lensSlider);
  EXPECT_EQ(record.focalMm, 43);
  EXPECT_EQ(record.firstIterSize, 60);
  EXPECT_EQ(record.overlapFrom, 11);
  EXPECT_EQ(record.overlapTo, 95);
  EXPECT_EQ(record.iterationsPerLevel, 12);
  EXPECT_EQ(record.nonlinearPixels, 7000);
  EXPECT_EQ(record.blendPixels, 24);
  EXPECT_EQ(record.calcRotation, 0);
  EXPECT_EQ(record.autoFocal, 1);
  EXPECT_EQ(record.correctDistortion, 0);
  EXPECT_EQ(record.crop, 1);
  EXPECT_EQ(record.magnetYShift, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, ShortProfileText,
    testing::Values(
        LensSliderCase{"MainWindowFirstReading", Reader::MainWindow, StoredIn::User, 50},
        LensSliderCase{"MainWindowAfterMachineCopy", Reader::MainWindow, StoredIn::MachineOnly, 43},
        LensSliderCase{"Tuner", Reader::Tuner, StoredIn::User, 140}),
    [](const testing::TestParamInfo<LensSliderCase>& info) { return info.param.label; });

TEST(ProfileReaders, OnlyTheTunerReadsTheFocalLengthInMillimetres) {
  TestStores stores;
  storeProfile(stores.user, 0, "Long", "", "75 10 100 16 8000 32 1 1 1 1 0 200 99");
  const StitchParams main = readProfiles(Reader::MainWindow, stores).profiles.at(0).record;
  const StitchParams tuner = readProfiles(Reader::Tuner, stores).profiles.at(0).record;
  EXPECT_EQ(main.lensSlider, 200);
  EXPECT_EQ(main.focalMm, 43);
  EXPECT_EQ(tuner.lensSlider, 200);
  EXPECT_EQ(tuner.focalMm, 99);
}

class EveryReader : public testing::TestWithParam<Reader> {};

TEST_P(EveryReader, ParsingStopsAtTheFirstTokenThatIsNotANumber) {
  TestStores stores;
  storeProfile(stores.user, 0, "Typo", "", "80 20x 5 7 1 1 1 1 1 1 1 1 1");
  storeProfile(stores.user, 1, "Words", "", "fast please");
  const ProfileTable table = readProfiles(GetParam(), stores);
  ASSERT_EQ(table.count(), 2);

  StitchParams expected = templateRecord();
  if (GetParam() == Reader::MainWindow) expected.lensSlider = 50;
  EXPECT_EQ(table.profiles[1].record, expected);
  expected.firstIterSize = 80;
  expected.overlapFrom = 20;
  EXPECT_EQ(table.profiles[0].record, expected);
}

TEST_P(EveryReader, AMissingOrEmptyNameEndsTheList) {
  TestStores gap;
  storeProfile(gap.user, 0, "First", "", "");
  storeProfile(gap.user, 2, "Third", "", "");
  EXPECT_EQ(names(readProfiles(GetParam(), gap)), std::vector<std::string>{"First"});

  TestStores emptyName;
  storeProfile(emptyName.user, 0, "First", "", "");
  storeProfile(emptyName.user, 1, "", "no name", "");
  storeProfile(emptyName.user, 2, "Third", "", "");
  EXPECT_EQ(names(readProfiles(GetParam(), emptyName)), std::vector<std::string>{"First"});
}

INSTANTIATE_TEST_SUITE_P(Readers, EveryReader, testing::Values(Reader::MainWindow, Reader::Tuner),
                         [](const testing::TestParamInfo<Reader>& info) {
                           return info.param == Reader::MainWindow ? "MainWindow" : "Tuner";
                         });

TEST(ProfileReaders, ReadingStopsAtTheTablesCapacity) {
  TestStores stores;
  for (int index = 0; index <= kTunerProfileSlots; ++index) {
    ASSERT_TRUE(stores.user.writeString(kParamKey, profileNameValue(index),
                                        "profile " + std::to_string(index)));
  }

  RecordingMovie movie;
  const ProfileTable main = loadProfiles(stores.user, stores.machine, 127, movie);
  EXPECT_EQ(main.count(), kMainWindowProfileSlots);
  EXPECT_EQ(main.current, 127);
  EXPECT_EQ(movie.variables["namemax"], "128");
  EXPECT_EQ(movie.variables["name127"], "profile 127");
  EXPECT_EQ(movie.variables.count("name128"), 0u);

  const ProfileTable tuner = readProfilesForEditing(stores.user, 300);
  EXPECT_EQ(tuner.count(), kTunerProfileSlots);
  EXPECT_EQ(tuner.current, 255);
  EXPECT_EQ(tuner.profiles.back().name, "profile 255");
}

TEST(LoadProfiles, TakesTheMachineWideProfilesWhenTheUserHasNone) {
  TestStores stores;
  storeProfile(stores.machineWriter, 0, "Site", "site default", "90 10 90 16 8000 32 1 1 1 1 0");
  storeProfile(stores.machineWriter, 1, "Site wide", "for wide lenses",
               "90 10 90 16 8000 32 1 1 1 1 0 60 18");
  ASSERT_TRUE(stores.machineWriter.writeString(registry::sectionKeyPath("Settings"), "Interface",
                                               "site.qml"));
  RecordingMovie movie;

  const ProfileTable table = loadProfiles(stores.user, stores.machine, 1, movie);

  EXPECT_EQ(names(table), (std::vector<std::string>{"Site", "Site wide"}));
  EXPECT_EQ(table.profiles[0].record.lensSlider, 43);
  EXPECT_EQ(table.profiles[1].record.lensSlider, 60);
  EXPECT_EQ(table.current, 1);
  EXPECT_EQ(movie.variables, (Variables{{"name0", "Site"},
                                        {"desc0", "site default"},
                                        {"name1", "Site wide"},
                                        {"desc1", "for wide lenses"},
                                        {"namemax", "2"},
                                        {"curparam", "1"}}));
  // The copy is the user's now: the whole application key, profiles and other settings.
  EXPECT_EQ(names(readProfilesForEditing(stores.user, 0)),
            (std::vector<std::string>{"Site", "Site wide"}));
  EXPECT_EQ(stores.user.readString(registry::sectionKeyPath("Settings"), "Interface"), "site.qml");
}

TEST(LoadProfiles, TheUsersOwnProfilesHideTheMachineWideOnes) {
  TestStores stores;
  storeProfile(stores.user, 0, "Mine", "", "");
  storeProfile(stores.machineWriter, 0, "Site", "", "");
  storeProfile(stores.machineWriter, 1, "Site wide", "", "");
  RecordingMovie movie;
  EXPECT_EQ(names(loadProfiles(stores.user, stores.machine, 0, movie)),
            std::vector<std::string>{"Mine"});
  EXPECT_EQ(stores.user.readString(kParamKey, profileNameValue(1)), std::nullopt);
}

TEST(CurrentProfileIndex, EachReaderBringsItIntoTheTable) {
  TestStores stores;
  ASSERT_TRUE(saveProfiles(stores.user, distinctProfiles(3)));
  for (const auto& [given, mainWindow, tuner] :
       std::vector<std::tuple<int, int, int>>{{1, 1, 1},
                                              {2, 2, 2},
                                              {3, 0, 2},
                                              {200, 0, 2},
                                              {-4, 0, 0},
                                              {INT_MIN, 0, 0},
                                              {INT_MAX, 0, 2}}) {
    SCOPED_TRACE(given);
    RecordingMovie movie;
    EXPECT_EQ(loadProfiles(stores.user, stores.machine, given, movie).current, mainWindow);
    EXPECT_EQ(movie.variables["curparam"], std::to_string(mainWindow));
    EXPECT_EQ(readProfilesForEditing(stores.user, given).current, tuner);
  }
}

TEST(ProfileTable, AtNeverLeavesTheTable) {
  ProfileTable fresh;
  ASSERT_EQ(fresh.count(), 1);
  EXPECT_EQ(fresh.at(0).record, templateRecord());
  EXPECT_EQ(&fresh.at(-1), &fresh.profiles[0]);

  ProfileTable three;
  three.profiles = distinctProfiles(3);
  EXPECT_EQ(&three.at(2), &three.profiles[2]);
  EXPECT_EQ(&three.at(3), &three.profiles[0]);
  EXPECT_EQ(&three.at(INT_MIN), &three.profiles[0]);
}

TEST(SaveProfiles, WritesEveryProfileAndDeletesTheEntriesAfterTheLast) {
  TestStores stores;
  const std::vector<ParamProfile> five = distinctProfiles(5);
  ASSERT_TRUE(saveProfiles(stores.user, five));
  EXPECT_EQ(stores.user.readString(kParamKey, "4"), "profile 4");
  EXPECT_EQ(stores.user.readString(kParamKey, "desc4"), "made for test 4");
  EXPECT_EQ(stores.user.readString(kParamKey, "val4"),
            "393 394 395 396 397 398 399 400 401 402 403 404 405");

  std::vector<ParamProfile> three = distinctProfiles(3);
  three[1].name = "renamed";
  three[1].record.focalMm = -300;
  ASSERT_TRUE(saveProfiles(stores.user, three));

  for (const char* deleted : {"3", "desc3", "val3", "4", "desc4", "val4"}) {
    SCOPED_TRACE(deleted);
    EXPECT_EQ(stores.user.readString(kParamKey, deleted), std::nullopt);
  }
  // Read back as stored, each field within the tuner's limits.
  std::vector<ParamProfile> threeAsRead = three;
  for (ParamProfile& profile : threeAsRead) clampProfileFields(profile.record);
  EXPECT_EQ(readProfilesForEditing(stores.user, 0).profiles, threeAsRead);

  // Saving what is stored changes nothing in the file.
  const std::string bytes = fileText(stores.user.databaseFile());
  ASSERT_TRUE(saveProfiles(stores.user, three));
  EXPECT_EQ(fileText(stores.user.databaseFile()), bytes);
}

TEST(SaveProfiles, RefusesAListTheStoreCouldNotHoldAndWritesNothing) {
  std::vector<ParamProfile> unnamedSecond = distinctProfiles(3);
  unnamedSecond[1].name.clear();
  for (const auto& [label, profiles] :
       std::vector<std::pair<std::string, std::vector<ParamProfile>>>{
           {"an empty name", unnamedSecond}, {"257 profiles", distinctProfiles(257)}}) {
    SCOPED_TRACE(label);
    TestStores stores;
    EXPECT_FALSE(saveProfiles(stores.user, profiles));
    EXPECT_FALSE(std::filesystem::exists(stores.user.databaseFile()));
  }
}

TEST(SaveProfiles, ReportsAStoreThatCannotBeWritten) {
  TempDir dir;
  std::ofstream(dir / "plain file") << "not a folder";
  SettingsStore store(dir / "plain file" / "user.db", SettingsStore::Access::ReadWrite);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(saveProfiles(store, distinctProfiles(2)));
  testing::internal::GetCapturedStderr();
}

}  // namespace
}  // namespace skylacer::tuning
