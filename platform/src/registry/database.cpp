#include "registry/database.h"

#include <atomic>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

#include "kestrel/codepage.h"
#include "kestrel/machine.h"

namespace kestrel::registry {
namespace {

constexpr int kWalIndexRegion = 32768;  // the size of SQLite's WAL index regions

// How long a call waits for another writer before it gives up.
constexpr int kBusyTimeoutMs = 3000;
constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name BLOB NOT NULL,
  fold BLOB NOT NULL,
  UNIQUE(parent, fold));
CREATE TABLE vals(
  seq INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name BLOB NOT NULL,
  fold BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, fold));
CREATE INDEX vals_order ON vals(key, seq);
INSERT INTO keys(id, parent, name, fold) VALUES
  (1, 0, CAST('HKEY_LOCAL_MACHINE' AS BLOB), CAST('HKEY_LOCAL_MACHINE' AS BLOB)),
  (2, 0, CAST('HKEY_USERS' AS BLOB), CAST('HKEY_USERS' AS BLOB));
PRAGMA user_version = 1;
)sql";

constexpr const char* kStatements[] = {
    /* kBegin */ "BEGIN IMMEDIATE",
    /* kBeginRead */ "BEGIN",
    /* kCommit */ "COMMIT",
    /* kRollback */ "ROLLBACK",
    /* kFindChild */ "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2",
    /* kKeyExists */ "SELECT 1 FROM keys WHERE id = ?1",
    /* kHasChildren */ "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    /* kInsertKey */ "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)",
    /* kDeleteKeyValues */ "DELETE FROM vals WHERE key = ?1",
    /* kDeleteKey */ "DELETE FROM keys WHERE id = ?1",
    /* kChildrenFrom */ "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold LIMIT ?3 OFFSET ?2",
    /* kChildrenAfter */ "SELECT name FROM keys WHERE parent = ?1 AND fold > ?2 ORDER BY fold LIMIT ?3",
    /* kQueryInfo */
    "SELECT (SELECT count(*) FROM keys WHERE parent = ?1), (SELECT max(length(name)) FROM keys WHERE parent = ?1), "
    "(SELECT count(*) FROM vals WHERE key = ?1), (SELECT max(length(name)) FROM vals WHERE key = ?1), "
    "(SELECT max(length(data)) FROM vals WHERE key = ?1) FROM keys WHERE id = ?1",
    /* kQueryValue */ "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2",
    /* kSetValue */
    "INSERT INTO vals(key, name, fold, type, data) SELECT ?1, ?2, ?3, ?4, ?5 FROM keys WHERE id = ?1 "
    "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data",
    /* kDeleteValue */ "DELETE FROM vals WHERE key = ?1 AND fold = ?2",
    /* kValuesFrom */ "SELECT seq, name, type, data FROM vals WHERE key = ?1 ORDER BY seq LIMIT ?3 OFFSET ?2",
    /* kValuesAfter */ "SELECT seq, name, type, data FROM vals WHERE key = ?1 AND seq > ?2 ORDER BY seq LIMIT ?3",
};
static_assert(std::size(kStatements) == static_cast<size_t>(Sql::kCount));

}  // namespace

LONG ErrorFromSqlite(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
    case SQLITE_ERROR:  // the file holds something other than a registry
      return ERROR_BADDB;
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    default:  // busy beyond the timeout, read-only, full, I/O errors
      return ERROR_REGISTRY_IO_FAILED;
  }
}

Query& Query::Bind(int index, int64_t value) {
  if (int rc = sqlite3_bind_int64(stmt_, index, value)) db_.Fail(rc);
  return *this;
}

Query& Query::Bind(int index, std::string_view bytes) {
  // A null pointer would bind NULL; an empty BLOB needs a real one.
  const char* data = bytes.empty() ? "" : bytes.data();
  if (int rc = sqlite3_bind_blob(stmt_, index, data, static_cast<int>(bytes.size()), SQLITE_STATIC)) db_.Fail(rc);
  return *this;
}

bool Query::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.Fail(rc);
}

std::string_view Query::Blob(int column) {
  const void* data = sqlite3_column_blob(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  if (!data) return {};
  return {static_cast<const char*>(data), static_cast<size_t>(size)};
}

Database& Database::ForThread() {
  thread_local Database db;
  if (db.db_ && (db.broken_ || db.generation_ != machine::Generation())) db.Close();
  if (!db.db_) db.Open();
  return db;
}

Database::~Database() { Close(); }

void Database::Fail(int rc) {
  LONG code = ErrorFromSqlite(rc);
  if (code == ERROR_BADDB) broken_ = true;
  throw DbFailure{code};
}

void Database::Close() {
  wal_index_ = nullptr;  // unmapped by SQLite with the connection
  for (auto& stmt : statements_) {
    sqlite3_finalize(stmt);
    stmt = nullptr;
  }
  sqlite3_close(db_);
  db_ = nullptr;
  broken_ = false;
  current_user_ = classes_root_ = 0;
}

void Database::MapWalIndex() {
  // SQLite's own mapping of the WAL index, through the file's VFS methods. A
  // second descriptor of ours on that file would be unsafe: closing it drops
  // every POSIX lock this process holds there, SQLite's too.
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
      !file->pMethods || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap)
    return;
  void volatile* region = nullptr;
  if (file->pMethods->xShmMap(file, 0, kWalIndexRegion, 0, &region) == SQLITE_OK && region)
    wal_index_ = static_cast<const volatile unsigned char*>(region);
}

std::optional<Database::Mark> Database::CurrentMark() const {
  if (!wal_index_) return std::nullopt;
  // The header is kept twice; a writer updates the second copy, then the
  // first. Read in the other order, equal copies are a whole header.
  const volatile uint64_t* header = reinterpret_cast<const volatile uint64_t*>(wal_index_);
  std::array<uint64_t, 6> first, second;
  for (size_t i = 0; i < first.size(); ++i) first[i] = header[i];
  std::atomic_thread_fence(std::memory_order_acquire);
  for (size_t i = 0; i < second.size(); ++i) second[i] = header[first.size() + i];
  if (first != second) return std::nullopt;
  Mark mark;
  std::memcpy(mark.data(), first.data(), mark.size());
  if (mark[12] == 0) return std::nullopt;  // byte 12: the header is initialised
  return mark;
}

void Database::Exec(const char* sql) {
  if (int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)) Fail(rc);
}

Query Database::Use(Sql which) {
  sqlite3_stmt*& stmt = statements_[static_cast<int>(which)];
  if (!stmt) {
    int rc = sqlite3_prepare_v3(db_, kStatements[static_cast<int>(which)], -1, SQLITE_PREPARE_PERSISTENT, &stmt,
                                nullptr);
    if (rc) {
      stmt = nullptr;
      Fail(rc);
    }
  }
  return Query(*this, stmt);
}

std::optional<int64_t> Database::FindChild(int64_t parent, std::string_view fold) {
  Query find = Use(Sql::kFindChild);
  find.Bind(1, parent).Bind(2, fold);
  if (find.Step()) return find.Int(0);
  return std::nullopt;
}

int64_t Database::EnsureChild(int64_t parent, std::string_view name) {
  std::string fold = codepage::FoldAnsi(name);
  if (auto id = FindChild(parent, fold)) return *id;
  Query insert = Use(Sql::kInsertKey);
  insert.Bind(1, parent).Bind(2, name).Bind(3, fold);
  insert.Step();
  return LastInsertId();
}

int Database::SchemaVersion() {
  sqlite3_stmt* stmt = nullptr;
  if (int rc = sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &stmt, nullptr)) Fail(rc);
  int rc = sqlite3_step(stmt);
  int version = rc == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : 0;
  sqlite3_finalize(stmt);
  if (rc != SQLITE_ROW) Fail(rc);
  if (version != 0 && version != kSchemaVersion) throw DbFailure{ERROR_BADDB};
  return version;
}

void Database::Open() {
  generation_ = machine::Generation();
  ++epoch_;
  std::string path;
  std::string sid;
  try {
    path = (machine::Home() / "registry.db").string();
    sid = machine::UserSid();
  } catch (const std::exception&) {
    throw DbFailure{ERROR_BADDB};
  }
  int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  try {
    if (rc) Fail(rc);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // Switching a new file to WAL takes it whole for a moment, and SQLite
    // answers a second connection that tries the same at once with
    // SQLITE_BUSY without waiting: wait here.
    std::string mode;
    auto keep_mode = [](void* out, int, char** values, char**) {
      *static_cast<std::string*>(out) = values[0] ? values[0] : "";
      return 0;
    };
    for (int waited = 0; (rc = sqlite3_exec(db_, "PRAGMA journal_mode = WAL", keep_mode, &mode, nullptr));
         waited += 2) {
      if ((rc & 0xFF) != SQLITE_BUSY || waited >= kBusyTimeoutMs) Fail(rc);
      sqlite3_sleep(2);
    }
    Exec("PRAGMA synchronous = NORMAL");
    const std::string sid_fold = codepage::FoldAnsi(sid);
    if (SchemaVersion() == kSchemaVersion) {
      auto user = FindChild(users_root(), sid_fold);
      auto software = FindChild(machine_root(), "SOFTWARE");
      auto classes = software ? FindChild(*software, "CLASSES") : std::nullopt;
      if (user && classes) {
        current_user_ = *user;
        classes_root_ = *classes;
        if (mode == "wal") MapWalIndex();
        return;
      }
    }
    // The schema and the keys behind HKEY_CURRENT_USER and HKEY_CLASSES_ROOT
    // are made by whichever connection comes first.
    WriteTransaction tx(*this);
    if (SchemaVersion() == 0) Exec(kSchema);
    current_user_ = EnsureChild(users_root(), sid);
    classes_root_ = EnsureChild(EnsureChild(machine_root(), "Software"), "Classes");
    tx.Commit();
    if (mode == "wal") MapWalIndex();
  } catch (const DbFailure&) {
    Close();
    throw;
  }
}

ReadTransaction::ReadTransaction(Database& db) : db_(db) {
  if (db_.InTransaction()) return;
  db_.Use(Sql::kBeginRead).Step();
  open_ = true;
}

ReadTransaction::~ReadTransaction() {
  if (!open_) return;
  try {
    db_.Use(Sql::kCommit).Step();
  } catch (const DbFailure&) {
    // Ending a read loses nothing; make sure it ends.
    try {
      db_.Use(Sql::kRollback).Step();
    } catch (const DbFailure&) {
    }
  }
}

WriteTransaction::WriteTransaction(Database& db) : db_(db) { db_.Use(Sql::kBegin).Step(); }

WriteTransaction::~WriteTransaction() {
  if (!open_) return;
  try {
    db_.Use(Sql::kRollback).Step();
  } catch (const DbFailure&) {
    // SQLite has already rolled back after the failure that brought us here.
  }
}

void WriteTransaction::Commit() {
  db_.Use(Sql::kCommit).Step();
  open_ = false;
}

}  // namespace kestrel::registry
