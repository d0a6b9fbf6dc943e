// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/settings_store.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include "platform/registry/key_path.h"

namespace skylacer::registry {

namespace {

// Marks a database file as a settings store of this program ("Sky3").
constexpr std::int64_t kApplicationId = 0x536B7933;
// How long a read or write waits for another connection's transaction.
constexpr int kBusyTimeoutMilliseconds = 5000;
// Id standing for the root key, which has no row of its own.
constexpr std::int64_t kRootKey = 0;

// Keys form a tree through `parent`; `folded` is the name as looked up (key_path.h). Ids grow
// with creation, so ordering by id enumerates in the order of creation.
constexpr const char* kCreateSchema =
    "CREATE TABLE IF NOT EXISTS keys ("
    "  id INTEGER PRIMARY KEY,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  UNIQUE (parent, folded));"
    "CREATE TABLE IF NOT EXISTS key_values ("
    "  id INTEGER PRIMARY KEY,"
    "  key_id INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  kind INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE (key_id, folded));"
    "PRAGMA application_id = 1399552307;";
static_assert(kApplicationId == 1399552307);

// A prepared statement. A failure to prepare or bind is kept and returned by step(), so that a
// sequence of calls needs one check at the end.
class Statement {
 public:
  Statement(sqlite3* database, const char* sql) {
    result_ = sqlite3_prepare_v2(database, sql, -1, &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, std::int64_t value) {
    if (result_ == SQLITE_OK) result_ = sqlite3_bind_int64(statement_, index, value);
    return *this;
  }

  // Binds as TEXT. An empty text must not pass a null pointer, which would bind SQL NULL.
  Statement& bind(int index, std::string_view text) {
    if (result_ != SQLITE_OK) return *this;
    if (text.size() > INT_MAX) {
      result_ = SQLITE_TOOBIG;
      return *this;
    }
    result_ = sqlite3_bind_text(statement_, index, text.empty() ? "" : text.data(),
                                static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }

  Statement& bindBlob(int index, std::span<const std::uint8_t> bytes) {
    if (result_ != SQLITE_OK) return *this;
    if (bytes.size() > INT_MAX) {
      result_ = SQLITE_TOOBIG;
    } else if (bytes.empty()) {
      result_ = sqlite3_bind_zeroblob(statement_, index, 0);
    } else {
      result_ = sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()),
                                  SQLITE_TRANSIENT);
    }
    return *this;
  }

  // SQLITE_ROW, SQLITE_DONE, or the error of this or an earlier call.
  int step() {
    if (result_ != SQLITE_OK) return result_;
    const int result = sqlite3_step(statement_);
    if (result != SQLITE_ROW && result != SQLITE_DONE) result_ = result;
    return result;
  }

  std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }

  std::string text(int column) const {
    const auto* characters = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return characters == nullptr ? std::string() : std::string(characters, size);
  }

  std::vector<std::uint8_t> blob(int column) const {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes == nullptr ? std::vector<std::uint8_t>()
                            : std::vector<std::uint8_t>(bytes, bytes + size);
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int result_ = SQLITE_OK;
};

// Ends a write transaction: rolled back unless committed, also when an exception leaves it.
class WriteTransaction {
 public:
  explicit WriteTransaction(sqlite3* database) : database_(database) {
    result_ = sqlite3_exec(database_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    open_ = result_ == SQLITE_OK;
  }
  ~WriteTransaction() {
    if (open_) sqlite3_exec(database_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  int beginResult() const { return result_; }

  int commit() {
    const int result = sqlite3_exec(database_, "COMMIT", nullptr, nullptr, nullptr);
    if (result == SQLITE_OK) open_ = false;
    return result;
  }

 private:
  sqlite3* database_;
  int result_;
  bool open_;
};

// Id of the sub-key `name` of `parent`: SQLITE_ROW with `id` set, SQLITE_DONE when there is no
// such key, otherwise the error.
int lookUpChildKey(sqlite3* database, std::int64_t parent, std::string_view name,
                   std::int64_t& id) {
  Statement select(database, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
  const int result = select.bind(1, parent).bind(2, foldName(name)).step();
  if (result == SQLITE_ROW) id = select.integer(0);
  return result;
}

// Id of the key at keyPath: SQLITE_ROW with `id` set, SQLITE_DONE when the key does not exist,
// otherwise the error.
int lookUpKey(sqlite3* database, std::string_view keyPath, std::int64_t& id) {
  std::int64_t key = kRootKey;
  for (std::string_view name : splitKeyPath(keyPath)) {
    const int result = lookUpChildKey(database, key, name, key);
    if (result != SQLITE_ROW) return result;
  }
  id = key;
  return SQLITE_ROW;
}

// Finds or creates every key along keyPath: SQLITE_OK with `id` set, otherwise the error.
int createKeyPath(sqlite3* database, std::string_view keyPath, std::int64_t& id) {
  std::int64_t key = kRootKey;
  for (std::string_view name : splitKeyPath(keyPath)) {
    const int lookup = lookUpChildKey(database, key, name, key);
    if (lookup == SQLITE_ROW) continue;
    if (lookup != SQLITE_DONE) return lookup;
    Statement insert(database, "INSERT INTO keys (parent, name, folded) VALUES (?1, ?2, ?3)");
    const int result = insert.bind(1, key).bind(2, name).bind(3, foldName(name)).step();
    if (result != SQLITE_DONE) return result;
    key = sqlite3_last_insert_rowid(database);
  }
  id = key;
  return SQLITE_OK;
}

std::optional<ValueKind> toValueKind(std::int64_t stored) {
  switch (stored) {
    case static_cast<std::int64_t>(ValueKind::Integer):
      return ValueKind::Integer;
    case static_cast<std::int64_t>(ValueKind::String):
      return ValueKind::String;
    case static_cast<std::int64_t>(ValueKind::Binary):
      return ValueKind::Binary;
    default:
      return std::nullopt;
  }
}

std::int64_t toOffset(std::size_t index) {
  return index > static_cast<std::size_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(index);
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// errno of stat() on the file: 0 when it exists.
int fileStatError(const std::filesystem::path& file) {
  struct stat information;
  return ::stat(file.c_str(), &information) == 0 ? 0 : errno;
}

}  // namespace

void SettingsStore::DatabaseCloser::operator()(sqlite3* database) const {
  sqlite3_close(database);
}

SettingsStore::SettingsStore(std::filesystem::path databaseFile, Access access)
    : databaseFile_(std::move(databaseFile)), access_(access) {}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::keyExists(std::string_view keyPath) const {
  return findKey(keyPath).has_value();
}

std::optional<std::int32_t> SettingsStore::readInteger(std::string_view keyPath,
                                                       std::string_view valueName) const {
  const std::optional<std::vector<std::uint8_t>> data =
      readData(keyPath, valueName, ValueKind::Integer);
  if (!data || data->size() != 4) return std::nullopt;
  const std::uint32_t bits = std::uint32_t{(*data)[0]} | std::uint32_t{(*data)[1]} << 8 |
                             std::uint32_t{(*data)[2]} << 16 | std::uint32_t{(*data)[3]} << 24;
  return static_cast<std::int32_t>(bits);
}

std::optional<std::string> SettingsStore::readString(std::string_view keyPath,
                                                     std::string_view valueName) const {
  const std::optional<std::vector<std::uint8_t>> data =
      readData(keyPath, valueName, ValueKind::String);
  if (!data) return std::nullopt;
  return std::string(data->begin(), data->end());
}

std::optional<std::vector<std::uint8_t>> SettingsStore::readBinary(
    std::string_view keyPath, std::string_view valueName) const {
  return readData(keyPath, valueName, ValueKind::Binary);
}

std::optional<std::string> SettingsStore::subKeyAt(std::string_view keyPath,
                                                   std::size_t index) const {
  const std::optional<std::int64_t> key = findKey(keyPath);
  if (!key) return std::nullopt;
  Statement select(database_.get(),
                   "SELECT name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
  const int result = select.bind(1, *key).bind(2, toOffset(index)).step();
  if (result == SQLITE_ROW) return select.text(0);
  if (result != SQLITE_DONE) reportFailure(result);
  return std::nullopt;
}

std::optional<RegistryValue> SettingsStore::valueAt(std::string_view keyPath,
                                                    std::size_t index) const {
  const std::optional<std::int64_t> key = findKey(keyPath);
  if (!key) return std::nullopt;
  Statement select(
      database_.get(),
      "SELECT name, kind, data FROM key_values WHERE key_id = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
  const int result = select.bind(1, *key).bind(2, toOffset(index)).step();
  if (result != SQLITE_ROW) {
    if (result != SQLITE_DONE) reportFailure(result);
    return std::nullopt;
  }
  const std::optional<ValueKind> kind = toValueKind(select.integer(1));
  if (!kind) {
    reportFailure(SQLITE_CORRUPT);
    return std::nullopt;
  }
  return RegistryValue{select.text(0), *kind, select.blob(2)};
}

bool SettingsStore::createKey(std::string_view keyPath) {
  return writeTransaction([&] {
    std::int64_t key = kRootKey;
    const int result = createKeyPath(database_.get(), keyPath, key);
    if (result != SQLITE_OK) reportFailure(result);
    return result == SQLITE_OK;
  });
}

bool SettingsStore::writeInteger(std::string_view keyPath, std::string_view valueName,
                                 std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::uint8_t data[4] = {
      static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
      static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  return storeValue(keyPath, valueName, ValueKind::Integer, data);
}

bool SettingsStore::writeString(std::string_view keyPath, std::string_view valueName,
                                std::string_view value) {
  return storeValue(keyPath, valueName, ValueKind::String, bytesOf(value));
}

bool SettingsStore::writeBinary(std::string_view keyPath, std::string_view valueName,
                                std::span<const std::uint8_t> value) {
  return storeValue(keyPath, valueName, ValueKind::Binary, value);
}

bool SettingsStore::writeValue(std::string_view keyPath, const RegistryValue& value) {
  if (!toValueKind(static_cast<std::int64_t>(value.kind))) return false;
  if (value.kind == ValueKind::Integer && value.data.size() != 4) return false;
  return storeValue(keyPath, value.name, value.kind, value.data);
}

bool SettingsStore::deleteValue(std::string_view keyPath, std::string_view valueName) {
  if (access_ == Access::ReadOnly) return false;
  if (!database_ && !unusable_ && fileStatError(databaseFile_) == ENOENT) return true;
  return writeTransaction([&] {
    std::int64_t key = kRootKey;
    const int lookup = lookUpKey(database_.get(), keyPath, key);
    if (lookup == SQLITE_DONE) return true;
    if (lookup != SQLITE_ROW) {
      reportFailure(lookup);
      return false;
    }
    Statement remove(database_.get(), "DELETE FROM key_values WHERE key_id = ?1 AND folded = ?2");
    const int result = remove.bind(1, key).bind(2, foldName(valueName)).step();
    if (result != SQLITE_DONE) reportFailure(result);
    return result == SQLITE_DONE;
  });
}

bool SettingsStore::writeAll(const std::function<bool()>& writes) {
  if (access_ == Access::ReadOnly || batchOpen_) return false;
  return writeTransaction([&] {
    struct BatchScope {
      SettingsStore& store;
      explicit BatchScope(SettingsStore& s) : store(s) {
        store.batchOpen_ = true;
        store.batchFailed_ = false;
      }
      ~BatchScope() { store.batchOpen_ = false; }
    } scope(*this);
    return writes() && !batchFailed_;
  });
}

bool SettingsStore::readable() const {
  if (unusable_) return false;
  if (!database_) {
    if (databaseFile_.empty()) {
      markUnusable("no location for the settings file");
      return false;
    }
    const int statError = fileStatError(databaseFile_);
    if (statError == ENOENT) return false;  // nothing written yet: no keys
    if (statError != 0) {
      markUnusable(std::generic_category().message(statError));
      return false;
    }
    if (!open(access_ == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE))
      return false;
  }
  if (!schemaReady_) schemaReady_ = inspectSchema() == Schema::Ours;
  return schemaReady_;
}

bool SettingsStore::writable() {
  if (access_ == Access::ReadOnly || unusable_) return false;
  if (!database_) {
    if (databaseFile_.empty()) {
      markUnusable("no location for the settings file");
      return false;
    }
    const int statError = fileStatError(databaseFile_);
    if (statError != 0 && statError != ENOENT) {
      markUnusable(std::generic_category().message(statError));
      return false;
    }
    int flags = SQLITE_OPEN_READWRITE;
    if (statError == ENOENT) {
      std::error_code error;
      if (databaseFile_.has_parent_path())
        std::filesystem::create_directories(databaseFile_.parent_path(), error);
      if (error) {
        markUnusable("cannot create its folder: " + error.message());
        return false;
      }
      flags |= SQLITE_OPEN_CREATE;
    }
    if (!open(flags)) return false;
  }
  if (schemaReady_) return true;
  const Schema schema = inspectSchema();
  schemaReady_ = schema == Schema::Ours;
  return schema != Schema::Unavailable;
}

bool SettingsStore::open(int flags) const {
  sqlite3* database = nullptr;
  const int result = sqlite3_open_v2(databaseFile_.c_str(), &database, flags, nullptr);
  database_.reset(database);
  if (result != SQLITE_OK) {
    markUnusable(database != nullptr ? sqlite3_errmsg(database) : sqlite3_errstr(result));
    database_.reset();
    return false;
  }
  sqlite3_busy_timeout(database, kBusyTimeoutMilliseconds);
  return true;
}

SettingsStore::Schema SettingsStore::inspectSchema() const {
  Statement identify(database_.get(), "PRAGMA application_id");
  int result = identify.step();
  if (result != SQLITE_ROW) {
    reportFailure(result);
    return Schema::Unavailable;
  }
  if (identify.integer(0) == kApplicationId) return Schema::Ours;
  if (identify.integer(0) == 0) {
    Statement count(database_.get(), "SELECT count(*) FROM sqlite_master");
    result = count.step();
    if (result != SQLITE_ROW) {
      reportFailure(result);
      return Schema::Unavailable;
    }
    if (count.integer(0) == 0) return Schema::Empty;
  }
  markUnusable("the file is a database of another program");
  return Schema::Unavailable;
}

template <typename Body>
bool SettingsStore::writeTransaction(Body&& body) {
  if (batchOpen_) {
    const bool written = body();
    if (!written) batchFailed_ = true;
    return written;
  }
  if (!writable()) return false;
  WriteTransaction transaction(database_.get());
  if (transaction.beginResult() != SQLITE_OK) {
    reportFailure(transaction.beginResult());
    return false;
  }
  if (!schemaReady_) {
    const int result = sqlite3_exec(database_.get(), kCreateSchema, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
      reportFailure(result);
      return false;
    }
  }
  if (!body()) return false;
  const int result = transaction.commit();
  if (result != SQLITE_OK) {
    reportFailure(result);
    return false;
  }
  schemaReady_ = true;
  return true;
}

std::optional<std::int64_t> SettingsStore::findKey(std::string_view keyPath) const {
  if (!readable()) return std::nullopt;
  std::int64_t key = kRootKey;
  const int result = lookUpKey(database_.get(), keyPath, key);
  if (result == SQLITE_ROW) return key;
  if (result != SQLITE_DONE) reportFailure(result);
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> SettingsStore::readData(std::string_view keyPath,
                                                                 std::string_view valueName,
                                                                 ValueKind kind) const {
  const std::optional<std::int64_t> key = findKey(keyPath);
  if (!key) return std::nullopt;
  Statement select(database_.get(),
                   "SELECT kind, data FROM key_values WHERE key_id = ?1 AND folded = ?2");
  const int result = select.bind(1, *key).bind(2, foldName(valueName)).step();
  if (result == SQLITE_ROW) {
    if (select.integer(0) != static_cast<std::int64_t>(kind)) return std::nullopt;
    return select.blob(1);
  }
  if (result != SQLITE_DONE) reportFailure(result);
  return std::nullopt;
}

bool SettingsStore::storeValue(std::string_view keyPath, std::string_view valueName, ValueKind kind,
                               std::span<const std::uint8_t> data) {
  return writeTransaction([&] {
    std::int64_t key = kRootKey;
    int result = createKeyPath(database_.get(), keyPath, key);
    if (result == SQLITE_OK) {
      Statement upsert(
          database_.get(),
          "INSERT INTO key_values (key_id, name, folded, kind, data) VALUES (?1, ?2, ?3, ?4, ?5) "
          "ON CONFLICT (key_id, folded) DO UPDATE SET kind = excluded.kind, data = excluded.data");
      result = upsert.bind(1, key)
                   .bind(2, valueName)
                   .bind(3, foldName(valueName))
                   .bind(4, static_cast<std::int64_t>(kind))
                   .bindBlob(5, data)
                   .step();
      if (result == SQLITE_DONE) return true;
    }
    reportFailure(result);
    return false;
  });
}

void SettingsStore::reportFailure(int resultCode) const {
  const char* message = database_ != nullptr && sqlite3_errcode(database_.get()) == resultCode
                            ? sqlite3_errmsg(database_.get())
                            : sqlite3_errstr(resultCode);
  const int primaryCode = resultCode & 0xff;
  if (primaryCode == SQLITE_CORRUPT || primaryCode == SQLITE_NOTADB) {
    markUnusable(message);
  } else {
    warnOnce(message);
  }
}

// The connection stays open (statements or a transaction may still refer to it) but is not used
// again.
void SettingsStore::markUnusable(const std::string& reason) const {
  unusable_ = true;
  warnOnce(reason);
}

void SettingsStore::warnOnce(const std::string& reason) const {
  if (warned_) return;
  warned_ = true;
  std::fprintf(
      stderr,
      "skylacer: warning: the settings store \"%s\" cannot be used (%s); defaults are used and "
      "changes are not saved\n",
      databaseFile_.c_str(), reason.c_str());
}

}  // namespace skylacer::registry
