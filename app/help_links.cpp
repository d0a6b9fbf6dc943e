// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/help_links.h"

#include <QUrl>
#include <fstream>

#include "resources/app_texts.h"

namespace skylacer::app {

namespace {

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool startsWithUrlKey(std::string_view line) {
  return line.size() >= 4 && (line[0] == 'U' || line[0] == 'u') &&
         (line[1] == 'R' || line[1] == 'r') && (line[2] == 'L' || line[2] == 'l') && line[3] == '=';
}

}  // namespace

std::string helpAddress(const std::filesystem::path& programFolder, HelpTopic topic) {
  const std::filesystem::path page =
      programFolder / "help" / (topic == HelpTopic::Contents ? "index.html" : "keywords.html");
  std::error_code error;
  if (std::filesystem::is_regular_file(page, error))
    return QUrl::fromLocalFile(QString::fromStdString(page.string())).toString().toStdString();
  return texts::kOnlineHelp;
}

std::optional<std::string> internetShortcutAddress(const std::filesystem::path& shortcut) {
  std::ifstream file(shortcut, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    const std::string_view entry = trimmed(line);
    if (!startsWithUrlKey(entry)) continue;
    const std::string_view address = trimmed(entry.substr(4));
    if (address.empty()) return std::nullopt;
    return std::string(address);
  }
  return std::nullopt;
}

std::optional<std::string> productInfoAddress(const std::filesystem::path& programFolder) {
  constexpr char kName[] = "Product Info.url";
  if (auto address = internetShortcutAddress(kName)) return address;
  return internetShortcutAddress(programFolder / kName);
}

}  // namespace skylacer::app
