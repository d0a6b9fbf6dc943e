// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/profile_reg_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>

#include "output/file_replacement.h"
#include "platform/registry/key_path.h"

namespace skylacer::tuning {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kLineEnd = "\r\n";
// The export names the key with "Params"; the program itself stores the profiles under "Param".
constexpr std::string_view kExportKey =
    "HKEY_CURRENT_USER\\SOFTWARE\\Oskelvind\\Skylacer 3\\Params";
constexpr std::string_view kStoreKey = "HKEY_CURRENT_USER\\SOFTWARE\\Oskelvind\\Skylacer 3\\Param";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeaderExpected = "the first line must be \"REGEDIT4\"";

void appendValueLine(std::string& file, std::string_view valueName, std::string_view text) {
  file += '"';
  file += valueName;
  file += "\"=\"";
  file += text;
  file += '"';
  file += kLineEnd;
}

// The three values of one profile, in the order the export writes them.
enum class ValueRole { Name = 0, Description = 1, Text = 2 };
constexpr std::size_t kValueRoles = 3;

struct ProfileValueName {
  ValueRole role;
  int index;
};

// "%d", "desc%d" or "val%d" (letter case ignored) with the index in plain decimal, as the export
// writes it: no sign, no leading zero, at most nine digits.
std::optional<ProfileValueName> parseValueName(std::string_view valueName) {
  const std::string folded = registry::foldName(valueName);
  std::string_view digits = folded;
  ValueRole role = ValueRole::Name;
  if (digits.starts_with("desc")) {
    role = ValueRole::Description;
    digits.remove_prefix(4);
  } else if (digits.starts_with("val")) {
    role = ValueRole::Text;
    digits.remove_prefix(3);
  }
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (digits.empty() || digits.size() > 9 || (digits.size() > 1 && digits.front() == '0') ||
      !std::ranges::all_of(digits, isDigit)) {
    return std::nullopt;
  }
  int index = 0;  // nine digits always fit
  std::from_chars(digits.data(), digits.data() + digits.size(), index);
  return ProfileValueName{role, index};
}

// Why `text` is not 13 whole numbers within their bounds, in profile text form (single spaces,
// no sign or leading zero); nothing when it is.
std::optional<std::string> profileTextFormProblem(std::string_view text) {
  if (std::optional<std::string> problem = profileTextProblem(text)) return problem;
  if (formatProfileText(paramsFromProfileText(text)) != text)
    return std::string(
        "the numbers must be separated by single spaces, without signs or leading "
        "zeros");
  return std::nullopt;
}

// What the file gives for one profile index, with the line of each value.
struct ProfileValues {
  std::array<std::optional<std::string>, kValueRoles> texts;
  std::array<int, kValueRoles> lines{};
};

class RegFileReader {
 public:
  // The error of one line, or nothing when the line was taken.
  std::optional<std::string> readLine(std::string_view line, int lineNumber);
  bool headerSeen() const { return headerSeen_; }
  ProfileRegFileContent listedProfiles() const;

 private:
  std::optional<std::string> readKeyLine(std::string_view line);
  std::optional<std::string> readValueLine(std::string_view line, int lineNumber);

  bool headerSeen_ = false;
  bool keySeen_ = false;
  std::map<int, ProfileValues> values_;
};

std::optional<std::string> RegFileReader::readLine(std::string_view line, int lineNumber) {
  if (!headerSeen_) {
    if (line != kHeader) return std::string(kHeaderExpected);
    headerSeen_ = true;
    return std::nullopt;
  }
  if (line.find_first_not_of(" \t") == std::string_view::npos || line.starts_with(';')) {
    return std::nullopt;
  }
  if (line.starts_with('[')) return readKeyLine(line);
  if (line.starts_with('"')) return readValueLine(line, lineNumber);
  return "expected a key line [...] or a value line \"NAME\"=\"TEXT\"";
}

std::optional<std::string> RegFileReader::readKeyLine(std::string_view line) {
  if (keySeen_) return "a second key line: the file holds one key only";
  const std::string key =
      line.ends_with(']') ? registry::foldName(line.substr(1, line.size() - 2)) : std::string();
  if (key != registry::foldName(kExportKey) && key != registry::foldName(kStoreKey)) {
    return "the key must be [" + std::string(kExportKey) + "] or [" + std::string(kStoreKey) + "]";
  }
  keySeen_ = true;
  return std::nullopt;
}

std::optional<std::string> RegFileReader::readValueLine(std::string_view line, int lineNumber) {
  if (!keySeen_) return "a value line before the key line";
  const std::size_t nameEnd = line.find('"', 1);
  // The shortest value line is "N"="": the text's quotes are the two last characters.
  if (nameEnd == std::string_view::npos || line.substr(nameEnd + 1, 2) != "=\"" ||
      line.size() < nameEnd + 4 || !line.ends_with('"')) {
    return "expected a value line \"NAME\"=\"TEXT\"";
  }
  const std::string_view valueName = line.substr(1, nameEnd - 1);
  const std::string_view text = line.substr(nameEnd + 3, line.size() - nameEnd - 4);
  const std::optional<ProfileValueName> parsed = parseValueName(valueName);
  if (!parsed) {
    return "unknown value name \"" + std::string(valueName) +
           "\": expected a profile index, \"desc\" or \"val\" followed by one";
  }
  if (parsed->role == ValueRole::Text) {
    if (const std::optional<std::string> problem = profileTextFormProblem(text))
      return "\"" + std::string(valueName) +
             "\" must hold 13 whole numbers separated by single spaces: " + *problem;
  }
  ProfileValues& values = values_[parsed->index];
  const auto role = static_cast<std::size_t>(parsed->role);
  if (values.texts[role]) {
    return "\"" + std::string(valueName) + "\" is given twice (first on line " +
           std::to_string(values.lines[role]) + ")";
  }
  values.texts[role] = std::string(text);
  values.lines[role] = lineNumber;
  return std::nullopt;
}

ProfileRegFileContent RegFileReader::listedProfiles() const {
  constexpr auto kName = static_cast<std::size_t>(ValueRole::Name);
  constexpr auto kDescription = static_cast<std::size_t>(ValueRole::Description);
  constexpr auto kText = static_cast<std::size_t>(ValueRole::Text);
  ProfileRegFileContent content;
  for (int index = 0;; ++index) {
    const auto found = values_.find(index);
    if (found == values_.end()) break;
    const ProfileValues& values = found->second;
    if (!values.texts[kName] || values.texts[kName]->empty()) break;
    if (index == kTunerProfileSlots) {
      content.profiles.clear();
      content.error =
          RegFileError{values.lines[kName],
                       "more than " + std::to_string(kTunerProfileSlots) + " profiles are listed"};
      return content;
    }
    ParamProfile profile{*values.texts[kName], values.texts[kDescription].value_or(""),
                         templateRecord()};
    if (values.texts[kText]) parseProfileText(*values.texts[kText], profile.record);
    content.profiles.push_back(std::move(profile));
  }
  return content;
}

}  // namespace

std::string formatProfileRegFile(std::span<const ParamProfile> profiles) {
  std::string file;
  file += kHeader;
  file += kLineEnd;
  file += kLineEnd;
  file += '[';
  file += kExportKey;
  file += ']';
  file += kLineEnd;
  const int count = static_cast<int>(profiles.size());
  for (int index = 0; index < count; ++index) {
    const ParamProfile& profile = profiles[static_cast<std::size_t>(index)];
    appendValueLine(file, profileNameValue(index), profile.name);
    appendValueLine(file, profileDescriptionValue(index), profile.description);
    appendValueLine(file, profileTextValue(index), formatProfileText(profile.record));
  }
  appendValueLine(file, profileNameValue(count), "");
  return file;
}

bool exportProfiles(const std::filesystem::path& file, std::span<const ParamProfile> profiles,
                    std::string* failure) {
  const auto replacement =
      output::FileReplacement::create(file, output::FileKind::Document, failure);
  if (!replacement) return false;
  if (replacement->write(formatProfileRegFile(profiles)) && replacement->commit()) return true;
  if (failure != nullptr) *failure = replacement->failure();
  return false;
}

ProfileRegFileContent parseProfileRegFile(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  RegFileReader reader;
  int lineNumber = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ++lineNumber;
    if (std::optional<std::string> error = reader.readLine(line, lineNumber)) {
      return {{}, RegFileError{lineNumber, std::move(*error)}};
    }
  }
  if (!reader.headerSeen()) return {{}, RegFileError{1, std::string(kHeaderExpected)}};
  return reader.listedProfiles();
}

}  // namespace skylacer::tuning
