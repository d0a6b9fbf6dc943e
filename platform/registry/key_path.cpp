// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/key_path.h"

#include <algorithm>

namespace skylacer::registry {

std::vector<std::string_view> splitKeyPath(std::string_view keyPath) {
  std::vector<std::string_view> components;
  while (!keyPath.empty()) {
    const std::size_t separator = keyPath.find('\\');
    const std::string_view component = keyPath.substr(0, separator);
    if (!component.empty()) components.push_back(component);
    if (separator == std::string_view::npos) break;
    keyPath.remove_prefix(separator + 1);
  }
  return components;
}

std::string foldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string subKeyPath(std::string_view parent, std::string_view child) {
  std::string path(parent);
  if (!path.empty() && !child.empty()) path += '\\';
  path += child;
  return path;
}

bool isSameOrBelow(std::string_view inner, std::string_view outer) {
  const std::vector<std::string_view> innerComponents = splitKeyPath(inner);
  const std::vector<std::string_view> outerComponents = splitKeyPath(outer);
  if (innerComponents.size() < outerComponents.size()) return false;
  return std::equal(
      outerComponents.begin(), outerComponents.end(), innerComponents.begin(),
      [](std::string_view a, std::string_view b) { return foldName(a) == foldName(b); });
}

}  // namespace skylacer::registry
