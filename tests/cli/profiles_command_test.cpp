// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/settings_store.h"
#include "tests/cli/cli_run.h"
#include "tests/support/file_contents.h"
#include "tuning/profile_reg_file.h"
#include "tuning/profiles.h"

namespace skylacer::cli {
namespace {

using registry::SettingsStore;
using tuning::ParamProfile;

std::vector<ParamProfile> sampleProfiles(int count) {
  std::vector<ParamProfile> profiles;
  for (int index = 0; index < count; ++index) {
    ParamProfile profile{"Set \"" + std::to_string(index) + "\"",
                         "for case " + std::to_string(index), tuning::templateRecord()};
    profile.record.overlapFrom = index % 101;
    profile.record.magnetYShift = index;
    profiles.push_back(profile);
  }
  return profiles;
}

std::vector<ParamProfile> storedProfiles(const CliSandbox& sandbox) {
  const SettingsStore store(sandbox.userStoreFile(), SettingsStore::Access::ReadWrite);
  return tuning::readProfilesForEditing(store, 0).profiles;
}

TEST(ProfilesCommand, ListOnAnEmptyStoreShowsTheBuiltInProfilesAndCreatesNoStore) {
  const CliSandbox sandbox;
  const ProgramRun run = runCli({"profiles", "list"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out,
            "0\tDefault\tDefault parameter set\t75 10 100 16 8000 32 1 1 1 1 0 140 43\n"
            "1\tPrecise\tSlower, most accurate alignment\t100 10 90 16 8000 32 1 2 1 1 0 140 43\n"
            "2\tCoarse search\tThe alignment by the coarse search alone, without feature "
            "matching\t100 10 90 16 8000 32 1 3 1 1 0 140 43\n");
  EXPECT_FALSE(std::filesystem::exists(sandbox.userStoreFile()));
}

TEST(ProfilesCommand, ImportReplacesTheStoredListAndListAndExportShowIt) {
  const CliSandbox sandbox;
  {
    SettingsStore store(sandbox.userStoreFile(), SettingsStore::Access::ReadWrite);
    ASSERT_TRUE(tuning::saveProfiles(store, sampleProfiles(5)));
  }
  const std::vector<ParamProfile> imported = {sampleProfiles(2)[1], sampleProfiles(1)[0]};
  test::writeFile(sandbox / "in.reg", tuning::formatProfileRegFile(imported));

  const ProgramRun importRun = runCli({"profiles", "import", sandbox / "in.reg"});
  EXPECT_EQ(importRun.exitStatus, 0) << importRun.err;
  EXPECT_NE(importRun.out.find("2 profiles imported"), std::string::npos) << importRun.out;
  EXPECT_EQ(storedProfiles(sandbox), imported);

  const ProgramRun listRun = runCli({"profiles", "list"});
  EXPECT_EQ(listRun.exitStatus, 0) << listRun.err;
  EXPECT_EQ(listRun.out,
            "0\tSet \"1\"\tfor case 1\t75 1 100 16 8000 32 1 1 1 1 1 140 43\n"
            "1\tSet \"0\"\tfor case 0\t75 0 100 16 8000 32 1 1 1 1 0 140 43\n");

  const ProgramRun exportRun = runCli({"profiles", "export", sandbox / "out.reg"});
  EXPECT_EQ(exportRun.exitStatus, 0) << exportRun.err;
  EXPECT_EQ(test::fileText(sandbox / "out.reg"), test::fileText(sandbox / "in.reg"));
}

TEST(ProfilesCommand, ARefusedImportNamesTheReasonAndStoresNothing) {
  const std::string good = tuning::formatProfileRegFile(sampleProfiles(2));
  const struct {
    const char* label;
    std::string file;
    const char* reason;
  } refusals[] = {
      {"malformed line", good.substr(0, good.rfind("\"2\"=\"\"")) + "\"val2\"=\"1 2\"\r\n",
       "in.reg:10: \"val2\" must hold 13 whole numbers"},
      {"value outside the tuner's limits",
       good.substr(0, good.rfind("\"2\"=\"\"")) +
           "\"val2\"=\"100 10 90 16 8000 0 1 1 1 1 0 140 43\"\r\n",
       "in.reg:10: \"val2\" must hold 13 whole numbers separated by single spaces: number 6 "
       "(pixels for image blending) is 0; it must be 1 to 2048"},
      {"257 profiles", tuning::formatProfileRegFile(sampleProfiles(257)),
       "in.reg:772: more than 256 profiles"},
      {"no profile", "REGEDIT4\r\n", "in.reg: the file lists no profile"},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.label);
    const CliSandbox sandbox;
    {
      SettingsStore store(sandbox.userStoreFile(), SettingsStore::Access::ReadWrite);
      ASSERT_TRUE(tuning::saveProfiles(store, sampleProfiles(3)));
    }
    test::writeFile(sandbox / "in.reg", refusal.file);
    const ProgramRun run = runCli({"profiles", "import", sandbox / "in.reg"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find(refusal.reason), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing imported"), std::string::npos) << run.err;
    EXPECT_EQ(storedProfiles(sandbox), sampleProfiles(3));
  }
}

TEST(ProfilesCommand, FilesThatCannotBeReadOrWrittenFail) {
  const CliSandbox sandbox;
  const ProgramRun importRun = runCli({"profiles", "import", sandbox / "absent.reg"});
  EXPECT_EQ(importRun.exitStatus, 1);
  EXPECT_NE(importRun.err.find("cannot read " + (sandbox / "absent.reg").string() +
                               ": no such file or directory; nothing imported"),
            std::string::npos)
      << importRun.err;

  const ProgramRun exportRun = runCli({"profiles", "export", sandbox / "no folder" / "out.reg"});
  EXPECT_EQ(exportRun.exitStatus, 1);
  EXPECT_NE(exportRun.err.find("folder " + (sandbox / "no folder").string() + "/ does not exist"),
            std::string::npos)
      << exportRun.err;
}

TEST(ProfilesCommand, MisuseShowsTheUsage) {
  const CliSandbox sandbox;
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"profiles"},
                                             {"profiles", "remove"},
                                             {"profiles", "import"},
                                             {"profiles", "export", "a.reg", "b.reg"},
                                             {"profiles", "list", "extra"}}) {
    SCOPED_TRACE(args.back());
    const ProgramRun run = runCli(args);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.err.find("panorama-cli profiles import FILE.reg"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(sandbox.userStoreFile()));
}

}  // namespace
}  // namespace skylacer::cli
