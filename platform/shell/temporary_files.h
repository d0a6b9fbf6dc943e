// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The system's temporary folder and new files in it with unique names.

#include <filesystem>
#include <optional>
#include <string_view>

namespace skylacer::shell {

// $TMPDIR when it is set and not empty, otherwise "/tmp"; without a trailing separator. The
// folder is not checked to exist.
std::filesystem::path temporaryFolder();

// Creates a new empty file in temporaryFolder() named "PREFIX.PID." followed by six random
// characters (PID this process's id). The file is created exclusively, so two callers (threads
// or processes) never get the same name; the caller removes it. Files of the same prefix left
// by processes that are gone are removed first. Nothing when the prefix holds a '/' or the file
// cannot be created.
std::optional<std::filesystem::path> createTemporaryFile(std::string_view prefix);

// The same for a new empty folder, readable by this user only; folders of the same prefix left
// by processes that are gone are removed first, with what they hold.
std::optional<std::filesystem::path> createTemporaryFolder(std::string_view prefix);

}  // namespace skylacer::shell
