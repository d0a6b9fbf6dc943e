// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/templates.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>

#include "output/file_replacement.h"
#include "output/messages.h"

namespace skylacer::output {

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

std::filesystem::path templateTargetPath(const TemplateEntry& entry, const PageTarget& target) {
  const std::string name =
      equalIgnoringCase(entry.name, "template") ? target.baseName : std::string(entry.name);
  return target.folder / (name + std::string(entry.extension));
}

std::string substitutePlaceholders(std::string_view text,
                                   std::span<const Placeholder> placeholders) {
  std::string result;
  result.reserve(text.size());
  std::size_t position = 0;
  while (position < text.size()) {
    const std::size_t mark = text.find('#', position);
    if (mark == std::string_view::npos) break;
    result.append(text, position, mark - position);
    const auto matching =
        std::find_if(placeholders.begin(), placeholders.end(), [&](const Placeholder& placeholder) {
          return !placeholder.key.empty() && text.substr(mark).starts_with(placeholder.key);
        });
    if (matching == placeholders.end()) {
      result += '#';
      position = mark + 1;
    } else {
      result += matching->value;
      position = mark + matching->key.size();
    }
  }
  result.append(text.substr(std::min(position, text.size())));
  return result;
}

bool processTemplates(std::span<const TemplateEntry> entries,
                      std::span<const Placeholder> placeholders, const PageTarget& target,
                      const std::filesystem::path& programFolder, IProgress& progress,
                      UserPrompt& prompt) {
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const TemplateEntry& entry = entries[k];
    progress.Report(static_cast<double>(k) / 5,
                    processingTemplateText(static_cast<int>(k) + 1).c_str());
    const std::string_view sourceExtension =
        startsWithIgnoringCase(entry.extension, ".htm") ? ".htm" : entry.extension;
    const std::filesystem::path source =
        programFolder / entry.folder / (std::string(entry.name) + std::string(sourceExtension));
    const std::filesystem::path targetPath = templateTargetPath(entry, target);

    const std::optional<std::string> text = readWholeFile(source);
    if (!text) {
      prompt.showMessage(templateMissingText(source), MessageIcon::Error);
      return false;
    }
    std::string failure;
    const auto file = FileReplacement::create(targetPath, FileKind::Document, &failure);
    if (file &&
        file->write(entry.substitute ? substitutePlaceholders(*text, placeholders) : *text) &&
        file->commit())
      continue;
    if (file) failure = file->failure();
    prompt.showMessage(withDetail(fileSaveFailedText(targetPath), failure), MessageIcon::Error);
    return false;
  }
  return true;
}

}  // namespace skylacer::output
