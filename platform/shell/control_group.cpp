// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/control_group.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace skylacer::shell {

namespace {

bool listsController(std::string_view controllers, std::string_view controller) {
  while (!controllers.empty()) {
    const std::size_t comma = controllers.find(',');
    if (controllers.substr(0, comma) == controller) return true;
    if (comma == std::string_view::npos) break;
    controllers.remove_prefix(comma + 1);
  }
  return false;
}

// `group` ("/a/b") under `mount` and each of its ancestors up to the mount itself.
void addWithAncestors(const std::filesystem::path& mount, const std::string& group, bool unified,
                      std::vector<ControlGroupFolder>& folders) {
  for (std::filesystem::path relative = std::filesystem::path(group).relative_path();;
       relative = relative.parent_path()) {
    folders.push_back({mount / relative, unified});
    if (relative.empty()) break;
  }
}

}  // namespace

std::string smallFileText(const std::filesystem::path& file) {
  std::ifstream stream(file);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

std::optional<std::uint64_t> leadingNumber(std::string_view text) {
  const std::size_t start = text.find_first_of("0123456789");
  if (start == std::string_view::npos) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (error != std::errc()) return std::nullopt;
  return value;
}

std::vector<ControlGroupFolder> controlGroupFolders(const std::filesystem::path& root,
                                                    const std::string& v1Controller) {
  std::vector<ControlGroupFolder> folders;
  std::istringstream lines(smallFileText(root / "proc/self/cgroup"));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t first = line.find(':');
    const std::size_t second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string_view controllers =
        std::string_view(line).substr(first + 1, second - first - 1);
    const std::string group = line.substr(second + 1);
    if (line.starts_with("0::"))
      addWithAncestors(root / "sys/fs/cgroup", group, true, folders);
    else if (listsController(controllers, v1Controller))
      addWithAncestors(root / "sys/fs/cgroup" / v1Controller, group, false, folders);
  }
  return folders;
}

}  // namespace skylacer::shell
