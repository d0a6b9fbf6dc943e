// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The control groups this process runs in (a container, a systemd slice), whose limits on
// memory and processor time lie in files of their folders.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skylacer::shell {

struct ControlGroupFolder {
  std::filesystem::path path;
  bool unified = false;  // cgroup v2; otherwise the v1 hierarchy of the controller asked for
};

// From /proc/self/cgroup under `root` ("/" but for tests): the folder of this process's group
// and of each of its ancestors, in the unified hierarchy and in the v1 hierarchy of
// `v1Controller` ("memory", "cpu"). None when the file cannot be read.
std::vector<ControlGroupFolder> controlGroupFolders(const std::filesystem::path& root,
                                                    const std::string& v1Controller);

// The text of a small file; empty when it cannot be read.
std::string smallFileText(const std::filesystem::path& file);

// The first number in `text`.
std::optional<std::uint64_t> leadingNumber(std::string_view text);

}  // namespace skylacer::shell
