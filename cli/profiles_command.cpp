// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/profiles_command.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "cli/reporting.h"
#include "output/messages.h"
#include "platform/registry/settings_location.h"
#include "platform/registry/settings_store.h"
#include "tuning/profile_reg_file.h"
#include "tuning/profiles.h"

namespace skylacer::cli {

namespace {

using registry::SettingsStore;
using tuning::ParamProfile;

// A registry file of 256 profiles with long names and descriptions stays far below this.
constexpr std::size_t kMaxRegFileBytes = 16u << 20;

constexpr OptionSpec kOptions[] = {{"quiet", 'q'}};

void printUsage(std::FILE* stream) {
  for (const char* text : {kUsageHeading, kProfilesUsage}) std::fputs(text, stream);
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "panorama-cli: profiles: %s\n", message.c_str());
  printUsage(stderr);
  return 2;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "panorama-cli: %s\n", message.c_str());
  return 1;
}

// The whole file, or nothing (with the reason in `error`) when it cannot be read or is larger
// than kMaxRegFileBytes.
std::optional<std::string> readSmallFile(const std::string& path, std::string& error) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    error = output::cannotReadText(path, output::reasonText(errno));
    return std::nullopt;
  }
  std::string bytes;
  char chunk[65536];
  while (stream.read(chunk, sizeof chunk) || stream.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(stream.gcount()));
    if (bytes.size() > kMaxRegFileBytes) {
      error = localText("%s: the file is too large for a profile file", {path});
      return std::nullopt;
    }
  }
  if (stream.bad()) {
    error = output::cannotReadText(path, output::reasonText(errno));
    return std::nullopt;
  }
  return bytes;
}

int listProfiles(const SettingsStore& store) {
  const tuning::ProfileTable table = tuning::readProfilesForEditing(store, 0);
  warnOfClampedProfiles(table);
  for (int index = 0; index < table.count(); ++index) {
    const ParamProfile& profile = table.profiles[static_cast<std::size_t>(index)];
    std::printf("%d\t%s\t%s\t%s\n", index, profile.name.c_str(), profile.description.c_str(),
                formatProfileText(profile.record).c_str());
  }
  return 0;
}

int exportStoredProfiles(const SettingsStore& store, const std::string& path,
                         const Reporting& reporting) {
  const tuning::ProfileTable table = tuning::readProfilesForEditing(store, 0);
  warnOfClampedProfiles(table);
  std::string failure;
  if (!tuning::exportProfiles(path, table.profiles, &failure)) return fail(failure);
  reporting.result(localText("%s: %d profiles exported"), path.c_str(), table.count());
  return 0;
}

int importProfiles(SettingsStore& store, const std::string& path, const Reporting& reporting) {
  std::string error;
  const std::optional<std::string> text = readSmallFile(path, error);
  if (!text) return fail(localText("%s; nothing imported", {error}));
  const tuning::ProfileRegFileContent content = tuning::parseProfileRegFile(*text);
  if (content.error) {
    return fail(localText("%s:%d: %s; nothing imported",
                          {path, std::to_string(content.error->line), content.error->message}));
  }
  if (content.profiles.empty()) {
    return fail(localText(
        "%s: the file lists no profile (no non-empty name \"0\"); nothing imported", {path}));
  }
  if (!tuning::saveProfiles(store, content.profiles)) {
    return fail(localText("%s: cannot write the profiles", {store.databaseFile().string()}));
  }
  reporting.result(localText("%s: %d profiles imported"), path.c_str(),
                   static_cast<int>(content.profiles.size()));
  return 0;
}

}  // namespace

void warnOfClampedProfiles(const tuning::ProfileTable& table) {
  if (table.boundsWarning.empty()) return;
  std::fprintf(stderr, "panorama-cli: %s\n",
               localText("warning: stored values outside the tuner's limits: %s (the settings "
                         "store is left as it is)",
                         {table.boundsWarning})
                   .c_str());
}

int runProfilesCommand(std::span<const std::string_view> args) {
  const CommandLine line = parseCommandLine(args, kOptions);
  if (line.help && !line.error) {
    printUsage(stdout);
    return 0;
  }
  if (line.error) return usageError(*line.error);
  const Reporting reporting{.quiet = !line.options.empty()};
  const std::vector<std::string>& words = line.operands;
  if (words.empty()) return usageError(localText("no action given"));
  const std::string_view action = words[0];
  const bool takesFile = action == "export" || action == "import";
  if (action != "list" && !takesFile) return usageError(localText("unknown action"));
  if (words.size() != (takesFile ? 2u : 1u)) {
    return usageError(takesFile ? localText("give exactly one FILE.reg")
                                : localText("list takes no arguments"));
  }

  const std::filesystem::path storeFile = registry::userSettingsFile();
  if (storeFile.empty()) {
    return fail(localText("no settings store: neither XDG_CONFIG_HOME nor HOME names a folder"));
  }
  SettingsStore store(storeFile, SettingsStore::Access::ReadWrite);
  if (action == "list") return listProfiles(store);
  const std::string& path = words[1];
  return action == "export" ? exportStoredProfiles(store, path, reporting)
                            : importProfiles(store, path, reporting);
}

}  // namespace skylacer::cli
