// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/registry_tree.h"

#include <system_error>

#include "platform/registry/key_path.h"

namespace skylacer::registry {

namespace {

bool sameStoreFile(const SettingsStore& a, const SettingsStore& b) {
  if (&a == &b) return true;
  std::error_code error;
  return std::filesystem::equivalent(a.databaseFile(), b.databaseFile(), error);
}

std::size_t copiedDataSize(const RegistryValue& value) {
  return value.data.size() + (value.kind == ValueKind::String ? 1 : 0);
}

bool copyKeyContents(const SettingsStore& source, std::string_view sourcePath,
                     SettingsStore& target, std::string_view targetPath) {
  if (!source.keyExists(sourcePath) || !target.createKey(targetPath)) return false;
  for (std::size_t index = 0;; ++index) {
    const std::optional<std::string> name = source.subKeyAt(sourcePath, index);
    if (!name) break;
    if (name->size() > kMaxCopiedNameLength) return false;
    if (!copyKeyContents(source, subKeyPath(sourcePath, *name), target,
                         subKeyPath(targetPath, *name))) {
      return false;
    }
  }
  for (std::size_t index = 0;; ++index) {
    const std::optional<RegistryValue> value = source.valueAt(sourcePath, index);
    if (!value) break;
    if (value->name.size() > kMaxCopiedNameLength || copiedDataSize(*value) > kMaxCopiedDataSize) {
      return false;
    }
    if (!target.writeValue(targetPath, *value)) return false;
  }
  return true;
}

}  // namespace

bool copyRegistryTree(const SettingsStore& source, std::string_view sourcePath,
                      SettingsStore& target, std::string_view targetPath) {
  if (sameStoreFile(source, target) && isSameOrBelow(targetPath, sourcePath)) return false;
  return copyKeyContents(source, sourcePath, target, targetPath);
}

}  // namespace skylacer::registry
