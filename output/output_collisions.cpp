// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/output_collisions.h"

#include <sys/stat.h>

#include <algorithm>

#include "output/messages.h"

namespace skylacer::output {

namespace {

// What a path is on disk: the file itself when it exists, and always its folder and name.
struct FileIdentity {
  bool exists = false;
  bool special = false;  // a device or a pipe
  dev_t device = 0;
  ino_t inode = 0;
  bool folderExists = false;
  dev_t folderDevice = 0;
  ino_t folderInode = 0;
  std::string name;
};

std::filesystem::path folderOf(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

FileIdentity identify(const std::filesystem::path& path) {
  FileIdentity identity;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    identity.exists = true;
    identity.special = S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode);
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
  }
  if (::stat(folderOf(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    identity.folderExists = true;
    identity.folderDevice = info.st_dev;
    identity.folderInode = info.st_ino;
  }
  identity.name = path.filename().string();
  return identity;
}

bool sameFolder(const FileIdentity& a, const FileIdentity& b) {
  return a.folderExists && b.folderExists && a.folderDevice == b.folderDevice &&
         a.folderInode == b.folderInode;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.exists && b.exists && a.device == b.device && a.inode == b.inode) return true;
  return sameFolder(a, b) && a.name == b.name;
}

bool allDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether `name` is PREFIX<digits>SUFFIX with at least `minDigits` digits.
bool inSeries(std::string_view name, std::string_view prefix, std::string_view suffix,
              std::size_t minDigits) {
  if (name.size() < prefix.size() + suffix.size() + minDigits || !name.starts_with(prefix) ||
      !name.ends_with(suffix))
    return false;
  return allDigits(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
}

struct Planned {
  const PlannedOutput& output;
  FileIdentity identity;  // of the file, or of the series' prefix
};

// Whether the planned output writes the file `other`.
bool writesFile(const Planned& planned, const FileIdentity& other) {
  if (!planned.output.seriesSuffix) return sameFile(planned.identity, other);
  return sameFolder(planned.identity, other) &&
         inSeries(other.name, planned.identity.name, *planned.output.seriesSuffix, 1);
}

bool overlap(const Planned& a, const Planned& b) {
  if (a.output.sharedTemplateCopy && b.output.sharedTemplateCopy) return false;
  if (a.identity.special && b.identity.special) return false;
  if (a.output.seriesSuffix && b.output.seriesSuffix) {
    if (!sameFolder(a.identity, b.identity) || *a.output.seriesSuffix != *b.output.seriesSuffix)
      return false;
    // One prefix followed by digits is the other: some numbers give the same name.
    const bool aShorter = a.identity.name.size() <= b.identity.name.size();
    const std::string& shorter = aShorter ? a.identity.name : b.identity.name;
    const std::string& longer = aShorter ? b.identity.name : a.identity.name;
    return inSeries(longer, shorter, "", 0);
  }
  return b.output.seriesSuffix ? writesFile(b, a.identity) : writesFile(a, b.identity);
}

std::string described(const PlannedOutput& output) {
  const std::string name =
      output.path.string() + (output.seriesSuffix ? "<n>" + *output.seriesSuffix : "");
  return name + " (" + output.role + ")";
}

}  // namespace

std::optional<std::string> findOutputCollision(std::span<const std::filesystem::path> inputs,
                                               std::span<const PlannedOutput> outputs) {
  std::vector<Planned> planned;
  for (const PlannedOutput& output : outputs) {
    planned.push_back({output, identify(output.path)});
    if (!planned.back().identity.folderExists) return folderMissingText(folderOf(output.path));
  }
  for (const Planned& output : planned)
    for (const std::filesystem::path& input : inputs)
      if (writesFile(output, identify(input)))
        return "cannot write " + described(output.output) + ": it is the input " + input.string();
  for (std::size_t i = 0; i < planned.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (overlap(planned[j], planned[i]))
        return "cannot write " + described(planned[i].output) + ": " + planned[j].output.role +
               " writes it too";
  return std::nullopt;
}

}  // namespace skylacer::output
