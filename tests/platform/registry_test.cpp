// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "platform/registry/application_settings.h"
#include "platform/registry/key_path.h"
#include "platform/registry/registry_tree.h"
#include "platform/registry/settings_location.h"
#include "platform/registry/settings_store.h"
#include "tests/support/file_contents.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::registry {
namespace {

using test::fileBytes;
using test::ScopedEnv;
using test::TempDir;
using test::writeFile;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kSettingsKey = "Software\\Oskelvind\\Skylacer 3\\Settings";

std::vector<std::string> subKeyNames(const SettingsStore& store, std::string_view keyPath) {
  std::vector<std::string> names;
  while (std::optional<std::string> name = store.subKeyAt(keyPath, names.size()))
    names.push_back(*name);
  return names;
}

std::vector<std::string> valueNames(const SettingsStore& store, std::string_view keyPath) {
  std::vector<std::string> names;
  while (std::optional<RegistryValue> value = store.valueAt(keyPath, names.size())) {
    names.push_back(value->name);
  }
  return names;
}

// Every key and value below keyPath in enumeration order, one line each, with paths relative
// to keyPath and data in hexadecimal.
std::vector<std::string> treeListing(const SettingsStore& store, std::string_view keyPath,
                                     const std::string& relative = "") {
  std::vector<std::string> lines;
  for (const std::string& name : subKeyNames(store, keyPath)) {
    const std::string child = subKeyPath(relative, name);
    lines.push_back("key " + child);
    const std::vector<std::string> below = treeListing(store, subKeyPath(keyPath, name), child);
    lines.insert(lines.end(), below.begin(), below.end());
  }
  for (std::size_t index = 0; std::optional<RegistryValue> value = store.valueAt(keyPath, index);
       ++index) {
    std::string line = "value " + subKeyPath(relative, value->name) + " kind " +
                       std::to_string(static_cast<int>(value->kind)) + " data ";
    for (std::uint8_t byte : value->data)
      line += "0123456789abcdef"[byte >> 4], line += "0123456789abcdef"[byte & 15];
    lines.push_back(line);
  }
  return lines;
}

// The warning lines a call printed on stderr.
template <typename Action>
std::string stderrOf(Action&& action) {
  testing::internal::CaptureStderr();
  action();
  return testing::internal::GetCapturedStderr();
}

int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(KeyPath, SplitsAtBackslashesAndIgnoresEmptyComponents) {
  EXPECT_EQ(splitKeyPath("Software\\Oskelvind\\Skylacer 3"),
            (std::vector<std::string_view>{"Software", "Oskelvind", "Skylacer 3"}));
  EXPECT_EQ(splitKeyPath("\\a\\\\b\\"), (std::vector<std::string_view>{"a", "b"}));
  EXPECT_TRUE(splitKeyPath("").empty());
  EXPECT_EQ(splitKeyPath("a/b"), (std::vector<std::string_view>{"a/b"}));
  EXPECT_EQ(subKeyPath("Software", "Param"), "Software\\Param");
  EXPECT_EQ(subKeyPath("", "Param"), "Param");
  EXPECT_EQ(subKeyPath("Software", ""), "Software");
}

TEST(KeyPath, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(foldName("JPEG Quality 3"), "jpeg quality 3");
  EXPECT_EQ(foldName("Grüße ÄÖ"), "grüße ÄÖ");
}

TEST(KeyPath, SameOrBelowComparesWholeComponentsWithoutCase) {
  EXPECT_TRUE(isSameOrBelow("Software\\A", "software\\a"));
  EXPECT_TRUE(isSameOrBelow("Software\\A\\B", "Software\\A"));
  EXPECT_TRUE(isSameOrBelow("Anything", ""));
  EXPECT_FALSE(isSameOrBelow("Software\\AB", "Software\\A"));
  EXPECT_FALSE(isSameOrBelow("Software", "Software\\A"));
}

TEST(SettingsStore, KeyAndValueNamesIgnoreLetterCaseAndKeepTheirFirstSpelling) {
  TempDir dir;
  SettingsStore store(dir / "settings.db", SettingsStore::Access::ReadWrite);
  ASSERT_TRUE(store.writeInteger(kSettingsKey, "JPEG quality", 80));
  EXPECT_EQ(store.readInteger("SOFTWARE\\oskelvind\\SKYLACER 3\\settings", "jpeg QUALITY"), 80);

  ASSERT_TRUE(store.writeInteger("software\\oskelvind\\skylacer 3\\SETTINGS", "Jpeg Quality", 90));
  EXPECT_EQ(store.readInteger(kSettingsKey, "JPEG quality"), 90);
  EXPECT_EQ(subKeyNames(store, "Software\\Oskelvind\\Skylacer 3"),
            std::vector<std::string>{"Settings"});
  EXPECT_EQ(valueNames(store, kSettingsKey), std::vector<std::string>{"JPEG quality"});
}

TEST(SettingsStore, MissingKeysAndValuesReadAsNothingAndOnlyAWriteCreatesFolderAndFile) {
  TempDir dir;
  const std::filesystem::path file = dir / "Oskelvind" / "Skylacer 3" / "settings.db";
  SettingsStore store(file, SettingsStore::Access::ReadWrite);
  EXPECT_FALSE(store.keyExists(""));
  EXPECT_FALSE(store.readInteger(kSettingsKey, "JPEG quality"));
  EXPECT_FALSE(store.subKeyAt("", 0));
  EXPECT_FALSE(store.valueAt("", 0));
  EXPECT_TRUE(store.deleteValue(kSettingsKey, "JPEG quality"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Oskelvind"));

  ASSERT_TRUE(store.writeString(kSettingsKey, "Interface", "quiltra.swf"));
  EXPECT_TRUE(std::filesystem::is_regular_file(file));
  EXPECT_EQ(
      SettingsStore(file, SettingsStore::Access::ReadOnly).readString(kSettingsKey, "interface"),
      "quiltra.swf");
  EXPECT_TRUE(store.keyExists("Software\\Oskelvind"));
  EXPECT_FALSE(store.keyExists("Software\\Oskelvind\\Skylacer 3\\Param"));
  EXPECT_FALSE(store.readString(kSettingsKey, "Interfaces"));
  EXPECT_FALSE(store.readString("Software\\Oskelvind\\Skylacer 3\\Config", "Interface"));
  EXPECT_FALSE(store.subKeyAt(kSettingsKey, 0));
  EXPECT_FALSE(store.valueAt(kSettingsKey, 1));
  EXPECT_FALSE(store.valueAt(kSettingsKey, SIZE_MAX));
}

TEST(SettingsStore, ValuesOfEveryKindRoundTripThroughTheFile) {
  TempDir dir;
  const std::vector<std::int32_t> integers = {0, 1, -1, 75, -123456789, INT32_MIN, INT32_MAX};
  const std::vector<std::string> strings = {"",
                                            "pixels",
                                            "Grüße aus 東京 – ok",
                                            "C:\\Photos\\a \"b\"",
                                            std::string("nul\0inside", 10),
                                            std::string(5000, 'x')};
  const std::vector<Bytes> binaries = {
      {0x10, 0, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x80, 0x02, 0, 0}, {}};
  const auto name = [](const char* kind, std::size_t i) { return kind + std::to_string(i); };
  {
    SettingsStore writer(dir / "settings.db", SettingsStore::Access::ReadWrite);
    for (std::size_t i = 0; i < integers.size(); ++i)
      ASSERT_TRUE(writer.writeInteger(kSettingsKey, name("integer", i), integers[i]));
    for (std::size_t i = 0; i < strings.size(); ++i)
      ASSERT_TRUE(writer.writeString(kSettingsKey, name("string", i), strings[i]));
    for (std::size_t i = 0; i < binaries.size(); ++i)
      ASSERT_TRUE(writer.writeBinary(kSettingsKey, name("binary", i), binaries[i]));
  }
  SettingsStore reader(dir / "settings.db", SettingsStore::Access::ReadOnly);
  for (std::size_t i = 0; i < integers.size(); ++i) {
    SCOPED_TRACE(integers[i]);
    EXPECT_EQ(reader.readInteger(kSettingsKey, name("integer", i)), integers[i]);
  }
  for (std::size_t i = 0; i < strings.size(); ++i) {
    SCOPED_TRACE("string " + std::to_string(i));
    EXPECT_EQ(reader.readString(kSettingsKey, name("string", i)), strings[i]);
  }
  for (std::size_t i = 0; i < binaries.size(); ++i) {
    SCOPED_TRACE("binary " + std::to_string(i));
    EXPECT_EQ(reader.readBinary(kSettingsKey, name("binary", i)), binaries[i]);
  }
}

TEST(SettingsStore, ReadingWithAnotherKindGivesNothing) {
  TempDir dir;
  SettingsStore store(dir / "settings.db", SettingsStore::Access::ReadWrite);
  ASSERT_TRUE(store.writeInteger(kSettingsKey, "integer", 4));
  ASSERT_TRUE(store.writeString(kSettingsKey, "string", "4"));
  ASSERT_TRUE(store.writeBinary(kSettingsKey, "binary", Bytes{4, 0, 0, 0}));

  EXPECT_FALSE(store.readString(kSettingsKey, "integer"));
  EXPECT_FALSE(store.readBinary(kSettingsKey, "integer"));
  EXPECT_FALSE(store.readInteger(kSettingsKey, "string"));
  EXPECT_FALSE(store.readBinary(kSettingsKey, "string"));
  EXPECT_FALSE(store.readInteger(kSettingsKey, "binary"));
  EXPECT_FALSE(store.readString(kSettingsKey, "binary"));
}

TEST(SettingsStore, EnumeratesInOrderOfCreationAndRewritesKeepTheirPlace) {
  TempDir dir;
  {
    SettingsStore store(dir / "settings.db", SettingsStore::Access::ReadWrite);
    for (const char* section : {"Settings", "Config", "quiltra.swf", "Param"}) {
      ASSERT_TRUE(store.createKey(subKeyPath("Software\\Oskelvind\\Skylacer 3", section)));
    }
    for (const char* name : {"9", "desc0", "0", "val0"})
      ASSERT_TRUE(store.writeString("Param", name, name));
    ASSERT_TRUE(store.writeInteger("Param", "DESC0", 7));  // rewritten with another kind
  }
  SettingsStore store(dir / "settings.db", SettingsStore::Access::ReadOnly);
  EXPECT_EQ(subKeyNames(store, "Software\\Oskelvind\\Skylacer 3"),
            (std::vector<std::string>{"Settings", "Config", "quiltra.swf", "Param"}));
  EXPECT_EQ(valueNames(store, "Param"), (std::vector<std::string>{"9", "desc0", "0", "val0"}));
  const std::optional<RegistryValue> rewritten = store.valueAt("Param", 1);
  ASSERT_TRUE(rewritten);
  EXPECT_EQ(rewritten->kind, ValueKind::Integer);
  EXPECT_EQ(rewritten->data, (Bytes{7, 0, 0, 0}));
  EXPECT_EQ(store.readInteger("Param", "desc0"), 7);
}

TEST(SettingsStore, DeleteValueRemovesOnlyThatValueAndMissingOnesAreHarmless) {
  TempDir dir;
  SettingsStore store(dir / "settings.db", SettingsStore::Access::ReadWrite);
  ASSERT_TRUE(store.writeString("Param", "3", "third"));
  ASSERT_TRUE(store.writeString("Param", "desc3", "described"));

  EXPECT_TRUE(store.deleteValue("PARAM", "3"));
  EXPECT_FALSE(store.readString("Param", "3"));
  EXPECT_EQ(valueNames(store, "Param"), std::vector<std::string>{"desc3"});
  EXPECT_TRUE(store.deleteValue("Param", "3"));
  EXPECT_TRUE(store.deleteValue("NoSuchKey\\Deeper", "3"));
  EXPECT_FALSE(store.keyExists("NoSuchKey"));
}

TEST(SettingsStore, ReadOnlyStoreReadsButNeverWrites) {
  TempDir dir;
  SettingsStore missing(dir / "machine.db", SettingsStore::Access::ReadOnly);
  EXPECT_FALSE(missing.keyExists("Software"));
  EXPECT_FALSE(missing.writeInteger(kSettingsKey, "JPEG quality", 1));
  EXPECT_FALSE(missing.createKey("Software"));
  EXPECT_FALSE(std::filesystem::exists(dir / "machine.db"));

  ASSERT_TRUE(SettingsStore(dir / "machine.db", SettingsStore::Access::ReadWrite)
                  .writeInteger(kSettingsKey, "JPEG quality", 60));
  const Bytes before = fileBytes(dir / "machine.db");
  SettingsStore machine(dir / "machine.db", SettingsStore::Access::ReadOnly);
  EXPECT_EQ(machine.readInteger(kSettingsKey, "JPEG quality"), 60);
  EXPECT_FALSE(machine.writeInteger(kSettingsKey, "JPEG quality", 1));
  EXPECT_FALSE(machine.deleteValue(kSettingsKey, "JPEG quality"));
  EXPECT_EQ(machine.readInteger(kSettingsKey, "JPEG quality"), 60);
  EXPECT_EQ(fileBytes(dir / "machine.db"), before);
}

// What each unusable store file is made of.
enum class BadFile { GarbageBytes, ForeignDatabase };

void makeBadFile(BadFile kind, const std::filesystem::path& file) {
  if (kind == BadFile::GarbageBytes) {
    Bytes garbage(8192);
    for (std::size_t i = 0; i < garbage.size(); ++i)
      garbage[i] = static_cast<std::uint8_t>(i * 7 + 3);
    writeFile(file, garbage);
    return;
  }
  sqlite3* database = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &database), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(database,
                         "CREATE TABLE photos (path TEXT); INSERT INTO photos VALUES ('a.jpg');",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(database);
}

class UnusableStoreFile : public testing::TestWithParam<BadFile> {};

TEST_P(UnusableStoreFile, ReadsDefaultsWarnsOnceAndIsNeverWritten) {
  TempDir dir;
  const std::filesystem::path file = dir / "settings.db";
  makeBadFile(GetParam(), file);
  const Bytes before = fileBytes(file);

  SettingsStore store(file, SettingsStore::Access::ReadWrite);
  ApplicationSettings settings(store);
  const std::string warnings = stderrOf([&] {
    EXPECT_EQ(settings.readInt("Settings", "JPEG quality", 75), 75);
    EXPECT_EQ(settings.readString("Settings", "Interface", "quiltra.swf"), "quiltra.swf");
    EXPECT_FALSE(store.subKeyAt("", 0));
    EXPECT_FALSE(settings.writeInt("Settings", "JPEG quality", 90));
    EXPECT_FALSE(settings.deleteValue("Settings", "JPEG quality"));
    EXPECT_FALSE(store.createKey("Software"));
  });
  EXPECT_EQ(lineCount(warnings), 1) << warnings;
  EXPECT_NE(warnings.find(file.string()), std::string::npos) << warnings;
  EXPECT_EQ(fileBytes(file), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(BadFiles, UnusableStoreFile,
                         testing::Values(BadFile::GarbageBytes, BadFile::ForeignDatabase),
                         [](const testing::TestParamInfo<BadFile>& info) {
                           return info.param == BadFile::GarbageBytes ? "GarbageBytes"
                                                                      : "ForeignDatabase";
                         });

TEST(SettingsStore, PathThroughARegularFileReadsDefaultsAndWarnsOnce) {
  TempDir dir;
  writeFile(dir / "plain", Bytes{'x'});
  SettingsStore store(dir / "plain" / "settings.db", SettingsStore::Access::ReadWrite);
  const std::string warnings = stderrOf([&] {
    EXPECT_FALSE(store.readInteger(kSettingsKey, "JPEG quality"));
    EXPECT_FALSE(store.writeInteger(kSettingsKey, "JPEG quality", 1));
    EXPECT_FALSE(store.readInteger(kSettingsKey, "JPEG quality"));
  });
  EXPECT_EQ(lineCount(warnings), 1) << warnings;
  EXPECT_EQ(fileBytes(dir / "plain"), Bytes{'x'});
}

TEST(SettingsStore, FolderWithoutPermissionReadsDefaultsAndRefusesWrites) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  TempDir dir;
  std::filesystem::create_directory(dir / "locked");
  ASSERT_TRUE(SettingsStore(dir / "locked" / "settings.db", SettingsStore::Access::ReadWrite)
                  .writeInteger(kSettingsKey, "JPEG quality", 60));
  std::filesystem::permissions(dir / "locked", std::filesystem::perms::none);
  SettingsStore store(dir / "locked" / "settings.db", SettingsStore::Access::ReadWrite);
  const std::string warnings = stderrOf([&] {
    EXPECT_FALSE(store.readInteger(kSettingsKey, "JPEG quality"));
    EXPECT_FALSE(store.writeInteger(kSettingsKey, "JPEG quality", 1));
  });
  std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_all);
  EXPECT_EQ(lineCount(warnings), 1) << warnings;
  EXPECT_EQ(SettingsStore(dir / "locked" / "settings.db", SettingsStore::Access::ReadOnly)
                .readInteger(kSettingsKey, "JPEG quality"),
            60);
}

TEST(SettingsStore, TwoObjectsOnOneFileSeeEachOthersInterleavedWrites) {
  TempDir dir;
  SettingsStore first(dir / "settings.db", SettingsStore::Access::ReadWrite);
  SettingsStore second(dir / "settings.db", SettingsStore::Access::ReadWrite);
  EXPECT_FALSE(second.readInteger("Config", "counter"));  // opened before the file has tables
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    SettingsStore& writer = round % 2 == 0 ? first : second;
    const SettingsStore& reader = round % 2 == 0 ? second : first;
    ASSERT_TRUE(writer.writeInteger("Config", "counter", round));
    ASSERT_TRUE(writer.writeInteger("Config", "round" + std::to_string(round), round));
    EXPECT_EQ(reader.readInteger("Config", "counter"), round);
  }
  EXPECT_EQ(valueNames(first, "Config").size(), 21u);
  EXPECT_EQ(treeListing(first, ""), treeListing(second, ""));
}

TEST(SettingsStore, WriteAllKeepsEveryWriteOrNone) {
  TempDir dir;
  SettingsStore store(dir / "settings.db", SettingsStore::Access::ReadWrite);
  SettingsStore other(dir / "settings.db", SettingsStore::Access::ReadWrite);
  ASSERT_TRUE(store.writeString("Param", "0", "kept"));
  const std::vector<std::string> before = treeListing(store, "");

  // Given up by the caller or left by an exception: nothing of it stays.
  EXPECT_FALSE(store.writeAll([&] {
    return store.writeString("Param", "0", "changed") && store.deleteValue("Param", "0") &&
           store.writeInteger("New\\Key", "n", 1) && false;
  }));
  EXPECT_THROW(store.writeAll([&]() -> bool {
    store.writeString("Param", "2", "two");
    throw std::bad_alloc();
  }),
               std::bad_alloc);
  EXPECT_EQ(treeListing(store, ""), before);
  EXPECT_EQ(treeListing(other, ""), before);

  // After all that the object writes as before, and a completed batch is one commit others see.
  ASSERT_TRUE(store.writeAll([&] {
    for (int i = 0; i < 300; ++i) {
      if (!store.writeInteger("Many", "v" + std::to_string(i), i)) return false;
    }
    EXPECT_FALSE(store.writeAll([] { return true; }));  // not nested
    return store.deleteValue("Param", "0") && store.readInteger("Many", "v299") == 299;
  }));
  EXPECT_EQ(valueNames(other, "Many").size(), 300u);
  EXPECT_EQ(other.readString("Param", "0"), std::nullopt);
  EXPECT_TRUE(store.writeString("Param", "after", "yes"));
  EXPECT_EQ(other.readString("Param", "after"), "yes");

  SettingsStore readOnly(dir / "machine.db", SettingsStore::Access::ReadOnly);
  EXPECT_FALSE(readOnly.writeAll([] { return true; }));
  EXPECT_FALSE(std::filesystem::exists(dir / "machine.db"));
}

// Writes `count` values named prefix0, prefix1, ... into its own store object; returns how many
// writes failed.
int writeNumberedValues(const std::filesystem::path& file, const std::string& prefix, int count) {
  SettingsStore store(file, SettingsStore::Access::ReadWrite);
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    if (!store.writeInteger("Config", prefix + std::to_string(i), i)) ++failures;
  }
  return failures;
}

TEST(SettingsStore, TwoProcessesWriteAtOnce) {
  TempDir dir;
  const std::filesystem::path file = dir / "settings.db";
  constexpr int kWrites = 150;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(std::min(writeNumberedValues(file, "child", kWrites), 100));
  const int parentFailures = writeNumberedValues(file, "parent", kWrites);
  int childStatus = 0;
  ASSERT_EQ(::waitpid(child, &childStatus, 0), child);
  ASSERT_TRUE(WIFEXITED(childStatus));
  EXPECT_EQ(WEXITSTATUS(childStatus), 0);
  EXPECT_EQ(parentFailures, 0);

  SettingsStore store(file, SettingsStore::Access::ReadOnly);
  EXPECT_EQ(valueNames(store, "Config").size(), 2u * kWrites);
  for (int i = 0; i < kWrites; i += 37) {
    EXPECT_EQ(store.readInteger("Config", "child" + std::to_string(i)), i);
    EXPECT_EQ(store.readInteger("Config", "parent" + std::to_string(i)), i);
  }
}

// A machine-wide store holding profiles and settings, opened read-only as the program does.
void fillMachineStore(const std::filesystem::path& file) {
  SettingsStore store(file, SettingsStore::Access::ReadWrite);
  const std::string param = subKeyPath(kApplicationKey, "Param");
  ASSERT_TRUE(store.writeString(param, "0", "Wide"));
  ASSERT_TRUE(store.writeString(param, "desc0", "For wide lenses"));
  ASSERT_TRUE(store.writeString(param, "val0", "75 10 100 16 8000 32 1 1 1 1 0 140 43"));
  ASSERT_TRUE(store.writeInteger(kSettingsKey, "JPEG quality", -5));
  ASSERT_TRUE(store.writeBinary(kSettingsKey, "windowrect",
                                Bytes{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}));
  ASSERT_TRUE(store.createKey(subKeyPath(kApplicationKey, "Empty\\Deeper\\Deepest")));
  ASSERT_TRUE(store.writeString(subKeyPath(kApplicationKey, "Empty\\Deeper"), "", "default value"));
  ASSERT_TRUE(store.writeString("Software\\Other", "unrelated", "x"));
}

TEST(CopyRegistryTree, CopiesNestedKeysAndValuesOfEveryKindInOrder) {
  TempDir dir;
  fillMachineStore(dir / "machine.db");
  const SettingsStore machine(dir / "machine.db", SettingsStore::Access::ReadOnly);
  SettingsStore user(dir / "user.db", SettingsStore::Access::ReadWrite);
  ASSERT_TRUE(user.writeString("Software\\Mine", "kept", "yes"));

  EXPECT_TRUE(copyRegistryTree(machine, kApplicationKey, user, kApplicationKey));
  const std::vector<std::string> copied = treeListing(machine, kApplicationKey);
  EXPECT_EQ(copied.size(), 11u);
  EXPECT_EQ(treeListing(user, kApplicationKey), copied);
  EXPECT_EQ(user.readString("Software\\Mine", "kept"), "yes");
  EXPECT_FALSE(user.keyExists("Software\\Other"));

  SettingsStore elsewhere(dir / "elsewhere.db", SettingsStore::Access::ReadWrite);
  EXPECT_TRUE(copyRegistryTree(machine, kApplicationKey, elsewhere, "Backup\\Skylacer"));
  EXPECT_EQ(treeListing(elsewhere, "backup\\skylacer"), copied);
}

TEST(CopyRegistryTree, MissingSourceFailsAndCreatesNothing) {
  TempDir dir;
  const SettingsStore machine(dir / "machine.db", SettingsStore::Access::ReadOnly);
  SettingsStore user(dir / "user.db", SettingsStore::Access::ReadWrite);
  EXPECT_FALSE(copyRegistryTree(machine, kApplicationKey, user, kApplicationKey));
  EXPECT_FALSE(std::filesystem::exists(dir / "user.db"));

  fillMachineStore(dir / "machine.db");
  EXPECT_FALSE(copyRegistryTree(machine, "Software\\Missing", user, kApplicationKey));
  EXPECT_FALSE(std::filesystem::exists(dir / "user.db"));
}

TEST(CopyRegistryTree, RefusesATargetInsideItsSourceInTheSameStore) {
  TempDir dir;
  fillMachineStore(dir / "settings.db");
  SettingsStore store(dir / "settings.db", SettingsStore::Access::ReadWrite);
  SettingsStore sameFile(dir / "settings.db", SettingsStore::Access::ReadWrite);
  const std::vector<std::string> before = treeListing(store, "");
  EXPECT_FALSE(copyRegistryTree(store, "Software", store, "software\\Oskelvind\\Copy"));
  EXPECT_FALSE(copyRegistryTree(store, "Software", sameFile, "Software"));
  EXPECT_EQ(treeListing(store, ""), before);

  EXPECT_TRUE(copyRegistryTree(store, kSettingsKey, sameFile, "Saved"));
  EXPECT_EQ(treeListing(store, "Saved"), treeListing(store, kSettingsKey));
}

// One entry at the limit of what a copy takes, between entries copied before and after it.
enum class LimitedEntry { SubKeyName, ValueName, BinaryData, StringData };

struct LimitCase {
  const char* label;
  LimitedEntry entry;
  std::size_t size;  // characters of the name or string, bytes of binary data
  bool fits;
};

void PrintTo(const LimitCase& limit, std::ostream* stream) {
  *stream << limit.label;
}

class CopyLimits : public testing::TestWithParam<LimitCase> {};

TEST_P(CopyLimits, AnOversizedEntryFailsTheCopyThereAndKeepsWhatCameBefore) {
  const LimitCase& limit = GetParam();
  TempDir dir;
  {
    SettingsStore builder(dir / "machine.db", SettingsStore::Access::ReadWrite);
    ASSERT_TRUE(builder.writeInteger("Source\\Early", "first", 1));
    if (limit.entry == LimitedEntry::SubKeyName) {
      ASSERT_TRUE(builder.createKey(subKeyPath("Source", std::string(limit.size, 'k'))));
    }
    ASSERT_TRUE(builder.writeInteger("Source\\Late", "first", 1));
    ASSERT_TRUE(builder.writeInteger("Source", "first", 1));
    if (limit.entry == LimitedEntry::ValueName) {
      ASSERT_TRUE(builder.writeInteger("Source", std::string(limit.size, 'v'), 2));
    } else if (limit.entry == LimitedEntry::BinaryData) {
      ASSERT_TRUE(builder.writeBinary("Source", "limited", Bytes(limit.size, 0)));
    } else if (limit.entry == LimitedEntry::StringData) {
      ASSERT_TRUE(builder.writeString("Source", "limited", std::string(limit.size, 's')));
    }
    ASSERT_TRUE(builder.writeInteger("Source", "last", 3));
  }
  const SettingsStore machine(dir / "machine.db", SettingsStore::Access::ReadOnly);
  SettingsStore user(dir / "user.db", SettingsStore::Access::ReadWrite);

  EXPECT_EQ(copyRegistryTree(machine, "Source", user, "Target"), limit.fits);
  if (limit.fits) {
    EXPECT_EQ(treeListing(user, "Target"), treeListing(machine, "Source"));
  } else if (limit.entry == LimitedEntry::SubKeyName) {
    EXPECT_EQ(subKeyNames(user, "Target"), std::vector<std::string>{"Early"});
    EXPECT_EQ(user.readInteger("Target\\Early", "first"), 1);
    EXPECT_TRUE(valueNames(user, "Target").empty());
  } else {
    EXPECT_EQ(subKeyNames(user, "Target"), (std::vector<std::string>{"Early", "Late"}));
    EXPECT_EQ(valueNames(user, "Target"), std::vector<std::string>{"first"});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, CopyLimits,
    testing::Values(LimitCase{"SubKeyName260", LimitedEntry::SubKeyName, 260, true},
                    LimitCase{"SubKeyName261", LimitedEntry::SubKeyName, 261, false},
                    LimitCase{"ValueName260", LimitedEntry::ValueName, 260, true},
                    LimitCase{"ValueName261", LimitedEntry::ValueName, 261, false},
                    LimitCase{"BinaryData4096", LimitedEntry::BinaryData, 4096, true},
                    LimitCase{"BinaryData4097", LimitedEntry::BinaryData, 4097, false},
                    LimitCase{"StringData4095", LimitedEntry::StringData, 4095, true},
                    LimitCase{"StringData4096", LimitedEntry::StringData, 4096, false}),
    [](const testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.label); });

TEST(ApplicationSettings, FirstRunReadsDefaultsAndSectionsAreKeysUnderTheApplicationKey) {
  TempDir dir;
  SettingsStore store(dir / "settings.db", SettingsStore::Access::ReadWrite);
  ApplicationSettings settings(store);
  EXPECT_EQ(settings.readInt("Settings", "JPEG quality", 75), 75);
  EXPECT_EQ(settings.readString("Settings", "Interface", "quiltra.swf"), "quiltra.swf");
  EXPECT_FALSE(settings.readBinary("settings", "windowrect"));
  EXPECT_FALSE(std::filesystem::exists(dir / "settings.db"));

  const Bytes windowRect = {0xF6, 0xFF, 0xFF, 0xFF, 20, 0, 0, 0, 0x20, 3, 0, 0, 0x58, 2, 0, 0};
  ASSERT_TRUE(settings.writeInt("Settings", "JPEG quality", 90));
  ASSERT_TRUE(settings.writeBinary("settings", "windowrect", windowRect));
  ASSERT_TRUE(settings.writeString("Config", "LastWorkPath", "/home/ann/Photos"));
  ASSERT_TRUE(settings.writeString("quiltra.swf", "sound", "true"));

  EXPECT_EQ(subKeyNames(store, kApplicationKey),
            (std::vector<std::string>{"Settings", "Config", "quiltra.swf"}));
  EXPECT_EQ(store.readInteger(kSettingsKey, "JPEG quality"), 90);
  EXPECT_EQ(settings.readBinary("SETTINGS", "WindowRect"), windowRect);
  EXPECT_EQ(settings.readString("config", "lastworkpath", ""), "/home/ann/Photos");
  EXPECT_EQ(settings.readInt("Config", "LastWorkPath", -1), -1);
  EXPECT_EQ(settings.readString("Quiltra.SWF", "Sound", "false"), "true");

  ASSERT_TRUE(settings.writeString("Settings", "JPEG quality", "high"));
  EXPECT_EQ(settings.readInt("Settings", "JPEG quality", 75), 75);
  EXPECT_TRUE(settings.deleteValue("Settings", "JPEG quality"));
  EXPECT_EQ(settings.readString("Settings", "JPEG quality", "gone"), "gone");
  EXPECT_TRUE(settings.deleteValue("Settings", "JPEG quality"));
}

TEST(SettingsLocation, FollowsXdgAndTheOverrides) {
  const ScopedEnv userOverride("SKYLACER_USER_SETTINGS", nullptr);
  const ScopedEnv machineOverride("SKYLACER_MACHINE_SETTINGS", nullptr);
  const ScopedEnv home("HOME", "/home/ann");
  {
    const ScopedEnv configHome("XDG_CONFIG_HOME", "/srv/config");
    EXPECT_EQ(userSettingsFile(), "/srv/config/Oskelvind/Skylacer 3/settings.db");
  }
  for (const char* ignored : {"", "relative/config"}) {
    SCOPED_TRACE(ignored);
    const ScopedEnv configHome("XDG_CONFIG_HOME", ignored);
    EXPECT_EQ(userSettingsFile(), "/home/ann/.config/Oskelvind/Skylacer 3/settings.db");
  }
  EXPECT_EQ(machineSettingsFile(), "/etc/xdg/Oskelvind/Skylacer 3/settings.db");

  const ScopedEnv userFile("SKYLACER_USER_SETTINGS", "/tmp/user.db");
  const ScopedEnv machineFile("SKYLACER_MACHINE_SETTINGS", "/tmp/machine.db");
  EXPECT_EQ(userSettingsFile(), "/tmp/user.db");
  EXPECT_EQ(machineSettingsFile(), "/tmp/machine.db");
}

}  // namespace
}  // namespace skylacer::registry
