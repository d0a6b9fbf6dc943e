// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/profile_reg_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/registry/settings_store.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::tuning {
namespace {

using registry::SettingsStore;
using test::fileText;
using test::TempDir;

constexpr std::string_view kKeyLine =
    "[HKEY_CURRENT_USER\\SOFTWARE\\Oskelvind\\Skylacer 3\\Params]\r\n";

// Header and key line of an exported file, followed by `values`.
std::string regFile(std::string_view values) {
  return "REGEDIT4\r\n\r\n" + std::string(kKeyLine) + std::string(values);
}

ParamProfile profileWithText(std::string name, std::string description, std::string_view text) {
  return {std::move(name), std::move(description), paramsFromProfileText(text)};
}

// Names and descriptions that an escaping or a careless reader would change, and records with
// every stored field set, the limits of each field among them.
std::vector<ParamProfile> awkwardProfiles(int count) {
  const std::vector<std::string> names = {
      "Say \"cheese\"",     "C:\\photos\\", "\"",    "a\"=\"b",   "  spaced  ",
      "Ünïcödé ∞ パノラマ", "semi;colon",   "[key]", "tab\there", "\"\"=\"\""};
  std::vector<ParamProfile> profiles;
  for (int index = 0; index < count; ++index) {
    const std::string& name = names[static_cast<std::size_t>(index) % names.size()];
    ParamProfile profile{
        name + " " + std::to_string(index), index % 3 == 0 ? std::string() : "about " + name, {}};
    for (int position = 0; position < kProfileTextFields; ++position) {
      const int field = kProfileTextField[static_cast<std::size_t>(position)];
      const ProfileFieldBounds& bounds = kProfileFieldBounds[static_cast<std::size_t>(position)];
      paramField(profile.record, field) =
          position == index % kProfileTextFields
              ? (index % 2 == 0 ? bounds.least : bounds.most)
              : bounds.least + (index * 13 + position * 977) % (bounds.most - bounds.least + 1);
    }
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

TEST(ProfileRegExport, TheTunersBuiltInProfilesGiveTheDocumentedFile) {
  TempDir dir;
  const SettingsStore emptyStore(dir / "user.db", SettingsStore::Access::ReadWrite);
  const ProfileTable table = readProfilesForEditing(emptyStore, 0);
  const std::string expected =
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Oskelvind\\Skylacer 3\\Params]\r\n"
      "\"0\"=\"Default\"\r\n"
      "\"desc0\"=\"Default parameter set\"\r\n"
      "\"val0\"=\"75 10 100 16 8000 32 1 1 1 1 0 140 43\"\r\n"
      "\"1\"=\"Precise\"\r\n"
      "\"desc1\"=\"Slower, most accurate alignment\"\r\n"
      "\"val1\"=\"100 10 90 16 8000 32 1 2 1 1 0 140 43\"\r\n"
      "\"2\"=\"Coarse search\"\r\n"
      "\"desc2\"=\"The alignment by the coarse search alone, without feature matching\"\r\n"
      "\"val2\"=\"100 10 90 16 8000 32 1 3 1 1 0 140 43\"\r\n"
      "\"3\"=\"\"\r\n";
  EXPECT_EQ(formatProfileRegFile(table.profiles), expected);

  ASSERT_TRUE(exportProfiles(dir / "profiles.reg", table.profiles));
  EXPECT_EQ(fileText(dir / "profiles.reg"), expected);
}

TEST(ProfileRegExport, NamesAndDescriptionsAreWrittenAsTheyAre) {
  const std::string file = formatProfileRegFile(
      std::vector{profileWithText("Say \"cheese\"", "C:\\photos\\", kDefaultProfileText)});
  EXPECT_EQ(file, regFile("\"0\"=\"Say \"cheese\"\"\r\n"
                          "\"desc0\"=\"C:\\photos\\\"\r\n"
                          "\"val0\"=\"100 10 90 16 8000 32 1 1 1 1 0 140 43\"\r\n"
                          "\"1\"=\"\"\r\n"));
}

TEST(ProfileRegExport, AFileThatCannotBeOpenedFailsAndNothingIsCreated) {
  TempDir dir;
  EXPECT_FALSE(exportProfiles(dir / "missing folder" / "profiles.reg", awkwardProfiles(1)));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing folder"));
}

TEST(ProfileRegImport, ExportThenImportRoundTripsEveryProfile) {
  for (const int count : {1, 10, 256}) {
    SCOPED_TRACE(count);
    const std::vector<ParamProfile> profiles = awkwardProfiles(count);
    const ProfileRegFileContent content = parseProfileRegFile(formatProfileRegFile(profiles));
    ASSERT_FALSE(content.error) << content.error->line << ": " << content.error->message;
    EXPECT_EQ(content.profiles, profiles);
  }
}

TEST(ProfileRegImport, AcceptsTheStoresKeyPlainLineFeedsLetterCaseCommentsAndAByteOrderMark) {
  const ProfileRegFileContent content = parseProfileRegFile(
      "\xEF\xBB\xBFREGEDIT4\n"
      "\n"
      "; written by hand\n"
      "[hkey_current_user\\Software\\Oskelvind\\Skylacer 3\\Param]\n"
      "\"VAL1\"=\"100 10 90 16 8000 32 1 1 0 1 3 300 200\"\n"
      "\"1\"=\"Wide\"\n"
      "\"0\"=\"Fast\"\n"
      "\"Desc0\"=\"Coarse start\"\n"
      "\n"
      "\"val0\"=\"50 20 80 8 4000 16 0 1 1 0 0 0 13\"");
  ASSERT_FALSE(content.error) << content.error->line << ": " << content.error->message;
  EXPECT_EQ(
      content.profiles,
      (std::vector{profileWithText("Fast", "Coarse start", "50 20 80 8 4000 16 0 1 1 0 0 0 13"),
                   profileWithText("Wide", "", "100 10 90 16 8000 32 1 1 0 1 3 300 200")}));
}

TEST(ProfileRegImport, TheListEndsAtTheFirstMissingOrEmptyNameAndMissingValuesTakeDefaults) {
  const ProfileRegFileContent content =
      parseProfileRegFile(regFile("\"0\"=\"Bare\"\r\n"
                                  "\"1\"=\"Described\"\r\n"
                                  "\"desc1\"=\"only a description\"\r\n"
                                  "\"2\"=\"\"\r\n"
                                  "\"3\"=\"After the end\"\r\n"
                                  "\"val3\"=\"1 2 3 4 5 6 0 1 0 1 11 12 13\"\r\n"));
  ASSERT_FALSE(content.error);
  EXPECT_EQ(content.profiles,
            (std::vector<ParamProfile>{{"Bare", "", templateRecord()},
                                       {"Described", "only a description", templateRecord()}}));

  const ProfileRegFileContent gap =
      parseProfileRegFile(regFile("\"0\"=\"First\"\r\n\"2\"=\"Third\"\r\n"));
  ASSERT_FALSE(gap.error);
  EXPECT_EQ(gap.profiles.size(), 1u);
}

struct MalformedCase {
  const char* label;
  std::string text;
  int line;
  const char* message;  // a part of the expected message
};

class MalformedRegFile : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedRegFile, IsRefusedWithTheLineOfItsFirstFault) {
  const MalformedCase& sample = GetParam();
  const ProfileRegFileContent content = parseProfileRegFile(sample.text);
  ASSERT_TRUE(content.error);
  EXPECT_EQ(content.error->line, sample.line);
  EXPECT_NE(content.error->message.find(sample.message), std::string::npos)
      << content.error->message;
  EXPECT_TRUE(content.profiles.empty());
}

const std::string kProfileZero =
    "\"0\"=\"Zero\"\r\n\"desc0\"=\"\"\r\n\"val0\"=\"75 10 100 16 8000 32 1 1 1 1 0 140 43\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, MalformedRegFile,
    testing::Values(
        MalformedCase{"Empty", "", 1, "REGEDIT4"},
        MalformedCase{"OtherHeader", "Windows Registry Editor Version 5.00\r\n", 1, "REGEDIT4"},
        MalformedCase{"ValueBeforeKey", "REGEDIT4\r\n\r\n\"0\"=\"Zero\"\r\n", 3,
                      "before the key line"},
        MalformedCase{
            "OtherKey",
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Oskelvind\\Skylacer 3\\Params]\r\n", 3,
            "the key must be"},
        MalformedCase{
            "SubKey",
            "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Oskelvind\\Skylacer 3\\Params\\x]\r\n", 2,
            "the key must be"},
        MalformedCase{"SecondKey", regFile(kProfileZero + std::string(kKeyLine)), 7,
                      "a second key line"},
        MalformedCase{"UnclosedText", regFile("\"0\"=\"Zero\r\n"), 4, "\"NAME\"=\"TEXT\""},
        MalformedCase{"TextWithoutQuotes", regFile("\"0\"=Zero\r\n"), 4, "\"NAME\"=\"TEXT\""},
        MalformedCase{"DefaultValue", regFile("@=\"Zero\"\r\n"), 4, "expected a key line"},
        MalformedCase{"UnknownName", regFile(kProfileZero + "\"name0\"=\"x\"\r\n"), 7,
                      "unknown value name \"name0\""},
        MalformedCase{"LeadingZero", regFile("\"01\"=\"x\"\r\n"), 4, "unknown value name \"01\""},
        MalformedCase{"NegativeIndex", regFile("\"desc-1\"=\"x\"\r\n"), 4, "unknown value name"},
        MalformedCase{"HugeIndex", regFile("\"val9999999999\"=\"x\"\r\n"), 4, "unknown value name"},
        MalformedCase{"ShortText", regFile("\"0\"=\"Zero\"\r\n\"val0\"=\"1 2 3\"\r\n"), 5,
                      "\"val0\" must hold 13 whole numbers"},
        MalformedCase{"LongText",
                      regFile("\"val0\"=\"75 10 100 16 8000 32 1 1 1 1 0 140 43 7\"\r\n"), 4,
                      "must hold 13 whole numbers"},
        MalformedCase{"DoubleSpace",
                      regFile("\"val0\"=\"75  10 100 16 8000 32 1 1 1 1 0 140 43\"\r\n"), 4,
                      "must hold 13 whole numbers"},
        MalformedCase{"OutOfRange",
                      regFile("\"val0\"=\"75 10 100 16 8000 32 1 1 1 1 0 140 4300000000\"\r\n"), 4,
                      "must hold 13 whole numbers"},
        MalformedCase{"Twice", regFile(kProfileZero + "\"DESC0\"=\"again\"\r\n"), 7,
                      "\"DESC0\" is given twice (first on line 5)"},
        MalformedCase{"FaultAfterTheEnd",
                      regFile(kProfileZero + "\"1\"=\"\"\r\n\"val5\"=\"x\"\r\n"), 8,
                      "\"val5\" must hold"}),
    [](const testing::TestParamInfo<MalformedCase>& info) { return info.param.label; });

// 256 profiles come back whole (the round trip above); one more is refused.
TEST(ProfileRegImport, MoreThan256ListedProfilesAreRefused) {
  const ProfileRegFileContent tooMany =
      parseProfileRegFile(formatProfileRegFile(awkwardProfiles(257)));
  ASSERT_TRUE(tooMany.error);
  EXPECT_EQ(tooMany.error->line, 3 + 3 * 256 + 1);  // the name "256"
  EXPECT_NE(tooMany.error->message.find("more than 256"), std::string::npos);
  EXPECT_TRUE(tooMany.profiles.empty());
}

}  // namespace
}  // namespace skylacer::tuning
