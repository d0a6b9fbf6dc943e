// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Copying a key with everything below it from one settings store to another, as the profiles use
// it to take machine-wide defaults into the user's store.

#include <cstddef>
#include <string_view>

#include "platform/registry/settings_store.h"

namespace skylacer::registry {

// Limits of one copied entry: a key or value name of more bytes, or value data of more bytes,
// fails the copy at that entry. String data counts a terminating zero byte.
inline constexpr std::size_t kMaxCopiedNameLength = 260;
inline constexpr std::size_t kMaxCopiedDataSize = 4096;

// Copies the key at sourcePath of `source` to targetPath of `target`, creating the target key.
// Per key: first the sub-keys in index order, each created and copied recursively; then, only if
// they all succeeded, the values in index order. The copy stops at the first entry that exceeds
// a limit or cannot be written; what was copied before stays. Returns true only when the whole
// tree was copied; false also when the source key does not exist, or when the target lies at or
// below the source in the same store (a copy that would never end).
bool copyRegistryTree(const SettingsStore& source, std::string_view sourcePath,
                      SettingsStore& target, std::string_view targetPath);

}  // namespace skylacer::registry
