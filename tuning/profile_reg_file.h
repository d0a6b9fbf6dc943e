// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The profiles as a registry file (".reg"), for moving them between machines. The export writes:
//
//   REGEDIT4
//   (empty line)
//   [HKEY_CURRENT_USER\SOFTWARE\Oskelvind\Skylacer 3\Params]
//   "0"="name"            three lines per profile, in index order: name, "desc%d" description,
//   "desc0"="description"   "val%d" the 13 stored fields in profile text form
//   "val0"="75 10 100 16 8000 32 1 1 1 1 0 140 43"
//   "n"=""                the empty name after the last profile, n = the count
//
// every line ending in CR LF. Names and descriptions are written as they are, without escaping
// quotes or backslashes: a text runs from the quote after "=" to the last quote of its line.

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tuning/profiles.h"

namespace skylacer::tuning {

// The whole file's bytes for `profiles`.
std::string formatProfileRegFile(std::span<const ParamProfile> profiles);

// Writes the file at `file`, replacing it only once every byte is written. False when it cannot
// be written, with the file and the reason in `failure` when given; the old file then stays.
bool exportProfiles(const std::filesystem::path& file, std::span<const ParamProfile> profiles,
                    std::string* failure = nullptr);

struct RegFileError {
  int line = 0;  // from 1
  std::string message;
};

// What reading a registry file of profiles gave: the listed profiles, or the first error.
struct ProfileRegFileContent {
  std::vector<ParamProfile> profiles;
  std::optional<RegFileError> error;  // when set, `profiles` is empty
};

// Reads a file in the export's form. Accepted besides: lines ending in LF alone, a UTF-8 byte
// order mark, empty lines and ";" comment lines anywhere, the key line ending in "Param" as well
// as "Params", and key and value names in any letter case. The value lines may come in any order;
// each "val%d" must hold exactly 13 whole numbers in profile text form, each within the bounds
// of its field (kProfileFieldBounds; the error names the field). The listed profiles are
// those from index 0 up to the first missing or empty name; entries after it are checked but
// ignored. A profile without a description gets an empty one, without a "val%d" the template
// record. More than 256 listed profiles is an error, as is any line that is not the header, the
// key line or a value line of a name, description or text, and a value given twice.
ProfileRegFileContent parseProfileRegFile(std::string_view text);

}  // namespace skylacer::tuning
