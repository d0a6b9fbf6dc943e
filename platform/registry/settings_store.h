// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings store: a tree of keys holding named values, standing in for the platform
// registry. One store is one SQLite database file: the user's store, read and written, and the
// machine-wide store, only read (settings_location.h says where they live).
//
// Keys are addressed by registry-style paths relative to the store's root (key_path.h). Key and
// value names compare without regard to ASCII letter case and keep the spelling they were first
// created with. Sub-keys and values are enumerated by index in the order they were created;
// rewriting a value keeps its place.
//
// Failure handling: a store whose file does not exist simply has no keys. A store whose file
// cannot be opened, or is not a settings database (corrupt or foreign), reads as empty, refuses
// writes without touching the file, and prints one warning line on stderr the first time this
// object meets the problem. Reads and writes never throw except std::bad_alloc.
//
// Concurrency: every write is one transaction; several store objects and processes may use one
// file at once (each waits up to a few seconds for the others' transactions). A store object
// itself is used by one thread at a time.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace skylacer::registry {

enum class ValueKind : std::uint8_t {
  Integer = 1,  // signed 32-bit
  String = 2,   // UTF-8 text
  Binary = 3,   // bytes
};

// One stored value as enumerated. `data` holds, by kind: Integer, 4 bytes little-endian;
// String, the UTF-8 bytes without a terminator; Binary, the bytes as written.
struct RegistryValue {
  std::string name;
  ValueKind kind = ValueKind::Binary;
  std::vector<std::uint8_t> data;
};

class SettingsStore {
 public:
  enum class Access { ReadWrite, ReadOnly };

  // Opens nothing yet: the first read that finds the file opens it, the first write creates the
  // file and its folders when they are missing. A read-only store never writes.
  SettingsStore(std::filesystem::path databaseFile, Access access);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  const std::filesystem::path& databaseFile() const { return databaseFile_; }
  Access access() const { return access_; }

  bool keyExists(std::string_view keyPath) const;

  // A value of the requested kind; nothing when the key or value is missing, the value has
  // another kind, or the store cannot be read.
  std::optional<std::int32_t> readInteger(std::string_view keyPath,
                                          std::string_view valueName) const;
  std::optional<std::string> readString(std::string_view keyPath, std::string_view valueName) const;
  std::optional<std::vector<std::uint8_t>> readBinary(std::string_view keyPath,
                                                      std::string_view valueName) const;

  // The index-th sub-key name or value of a key (from 0, in order of creation); nothing past
  // the end.
  std::optional<std::string> subKeyAt(std::string_view keyPath, std::size_t index) const;
  std::optional<RegistryValue> valueAt(std::string_view keyPath, std::size_t index) const;

  // Writes create the key path as needed. They return false when the store is read-only or
  // cannot be written; nothing is changed then.
  bool createKey(std::string_view keyPath);
  bool writeInteger(std::string_view keyPath, std::string_view valueName, std::int32_t value);
  bool writeString(std::string_view keyPath, std::string_view valueName, std::string_view value);
  bool writeBinary(std::string_view keyPath, std::string_view valueName,
                   std::span<const std::uint8_t> value);
  // Sets a value of any kind; an Integer whose data is not 4 bytes is refused.
  bool writeValue(std::string_view keyPath, const RegistryValue& value);

  // Removes a value. Returns true when the value is absent afterwards (a missing value, key or
  // file is harmless and creates nothing); false when the store cannot be written.
  bool deleteValue(std::string_view keyPath, std::string_view valueName);

  // Runs `writes` as one transaction: the writes and deletes it makes through this object are
  // kept only when every one of them succeeded, `writes` returns true and the whole commits;
  // otherwise the file is left as it was and the result is false. One commit instead of one per
  // value makes a long list of writes fast. Not to be nested.
  bool writeAll(const std::function<bool()>& writes);

 private:
  struct DatabaseCloser {
    void operator()(sqlite3* database) const;
  };
  // What an opened file holds: our tables, nothing yet, or something unusable (reported).
  enum class Schema { Ours, Empty, Unavailable };

  bool readable() const;
  bool writable();
  bool open(int flags) const;
  Schema inspectSchema() const;
  template <typename Body>
  bool writeTransaction(Body&& body);
  std::optional<std::int64_t> findKey(std::string_view keyPath) const;
  std::optional<std::vector<std::uint8_t>> readData(std::string_view keyPath,
                                                    std::string_view valueName,
                                                    ValueKind kind) const;
  bool storeValue(std::string_view keyPath, std::string_view valueName, ValueKind kind,
                  std::span<const std::uint8_t> data);
  void reportFailure(int resultCode) const;
  void markUnusable(const std::string& reason) const;
  void warnOnce(const std::string& reason) const;

  std::filesystem::path databaseFile_;
  Access access_;
  // The connection is opened lazily by reads as well as writes, hence mutable.
  mutable std::unique_ptr<sqlite3, DatabaseCloser> database_;
  mutable bool schemaReady_ = false;
  mutable bool unusable_ = false;
  mutable bool warned_ = false;
  // Inside writeAll: writes join its transaction, and a failed one spoils it.
  bool batchOpen_ = false;
  bool batchFailed_ = false;
};

}  // namespace skylacer::registry
