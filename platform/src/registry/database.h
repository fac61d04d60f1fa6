// The registry's SQLite store: one connection per thread, cached statements.
//
// Schema: keys(id, parent, name, fold, stamp) with the four stored roots
// under parent 0, and vals(key, name, fold, type, data) whose rowid is the
// creation order. Names are the Windows-1252 bytes as given; fold is
// codepage::FoldAnsi of the name, the form names compare and sort by. A key's
// stamp changes whenever a subkey or value of it is added or removed, which
// tells an enumeration whether its last position is still good.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "win32/base.h"

namespace kestrel::registry {

// A SQLite failure on its way to the API boundary, as a registry error code.
struct DbFailure {
  LONG code;
};

// The cached statements, by purpose.
enum class Sql {
  kBegin,
  kCommit,
  kRollback,
  kFindChild,
  kKeyExists,
  kHasChildren,
  kInsertKey,
  kDeleteKeyValues,
  kDeleteKey,
  kChildAfter,
  kChildAt,
  kQueryInfo,
  kQueryValue,
  kSetValue,
  kDeleteValue,
  kValueAfter,
  kValueAt,
  kCount
};

class Database;

// One use of a cached statement: bind, step, read columns; reset when it goes
// out of scope so that no read transaction outlives the call. Step and the
// column readers throw DbFailure.
class Query {
 public:
  Query(Database& db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
  ~Query() { sqlite3_reset(stmt_); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& Bind(int index, int64_t value);
  // Binds bytes as a BLOB, without copying them: they must outlive the
  // query. An empty view binds an empty BLOB, never NULL.
  Query& Bind(int index, std::string_view bytes);
  // True when a row is there, false when the statement is done.
  bool Step();

  bool IsNull(int column) { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
  std::string_view Blob(int column);

 private:
  Database& db_;
  sqlite3_stmt* stmt_;
};

class Database {
 public:
  // The calling thread's connection to the machine's registry.db, opened on
  // first use and again after machine::Switch. Throws DbFailure.
  static Database& ForThread();

  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  Query Use(Sql which);
  // The id of parent's subkey whose folded name is fold.
  std::optional<int64_t> FindChild(int64_t parent, std::string_view fold);
  int64_t Changes() { return sqlite3_changes64(db_); }
  int64_t LastInsertId() { return sqlite3_last_insert_rowid(db_); }

  // Ids of the roots. HKEY_CURRENT_USER's and HKEY_CLASSES_ROOT's keys are
  // made when the connection opens.
  int64_t machine_root() const { return 1; }
  int64_t users_root() const { return 2; }
  int64_t current_user() const { return current_user_; }
  int64_t classes_root() const { return classes_root_; }
  unsigned generation() const { return generation_; }

  // Throws the registry error for a SQLite result code; a damaged database
  // also drops this connection so that the next call opens the file anew.
  [[noreturn]] void Fail(int rc);

 private:
  Database() = default;
  void Open();
  void Close();
  void Exec(const char* sql);
  int SchemaVersion();
  int64_t EnsureChild(int64_t parent, std::string_view name);

  sqlite3* db_ = nullptr;
  sqlite3_stmt* statements_[static_cast<int>(Sql::kCount)] = {};
  int64_t current_user_ = 0;
  int64_t classes_root_ = 0;
  unsigned generation_ = 0;
  bool broken_ = false;
};

// BEGIN IMMEDIATE on construction, COMMIT on Commit, ROLLBACK when left
// without committing. Several steps of one write share it.
class WriteTransaction {
 public:
  explicit WriteTransaction(Database& db);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();

 private:
  Database& db_;
  bool open_ = true;
};

// The registry error code for a SQLite result code.
LONG ErrorFromSqlite(int rc);

}  // namespace kestrel::registry
