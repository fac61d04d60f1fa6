// The registry's SQLite store: one connection per thread, cached statements.
//
// Schema: keys(id, parent, name, fold) with the two stored roots under
// parent 0, and vals(seq, key, name, fold, type, data) where seq is the
// creation order. Names are the Windows-1252 bytes as given; fold is
// codepage::FoldAnsi of the name, the form names compare and sort by.
//
// Every read or write of the file takes a lock, which is most of what a
// small query costs. CurrentMark() tells without one whether anything was
// committed since an earlier mark, so that what was read then can be used
// again.
#pragma once

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
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
  kBeginRead,
  kCommit,
  kRollback,
  kFindChild,
  kKeyExists,
  kHasChildren,
  kInsertKey,
  kDeleteKeyValues,
  kDeleteKey,
  kChildrenFrom,
  kChildrenAfter,
  kQueryInfo,
  kQueryValue,
  kSetValue,
  kDeleteValue,
  kValuesFrom,
  kValuesAfter,
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

  int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
  std::string_view Blob(int column);

 private:
  Database& db_;
  sqlite3_stmt* stmt_;
};

class Database {
 public:
  // The committed state of the database file as a value: the header of its
  // WAL index (documented SQLite format), which every commit of every
  // connection changes. Read without a lock; nothing while a commit is
  // writing it or when the file has no WAL index.
  using Mark = std::array<unsigned char, 48>;

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
  // Changes whenever this thread opens its connection anew.
  uint64_t epoch() const { return epoch_; }

  // The mark now. A mark taken before a read that is still the mark later
  // shows that nothing was committed since that read.
  std::optional<Mark> CurrentMark() const;
  bool InTransaction() { return !sqlite3_get_autocommit(db_); }

  // Throws the registry error for a SQLite result code; a damaged database
  // also drops this connection so that the next call opens the file anew.
  [[noreturn]] void Fail(int rc);

 private:
  Database() = default;
  void Open();
  void Close();
  void MapWalIndex();
  void Exec(const char* sql);
  int SchemaVersion();
  int64_t EnsureChild(int64_t parent, std::string_view name);

  sqlite3* db_ = nullptr;
  sqlite3_stmt* statements_[static_cast<int>(Sql::kCount)] = {};
  int64_t current_user_ = 0;
  int64_t classes_root_ = 0;
  unsigned generation_ = 0;
  uint64_t epoch_ = 0;
  bool broken_ = false;
  const volatile unsigned char* wal_index_ = nullptr;  // SQLite's mapping of the WAL index
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

// A read transaction around several statements of one call, so that they
// share one lock and one view. Nothing when a transaction is already open.
class ReadTransaction {
 public:
  explicit ReadTransaction(Database& db);
  ~ReadTransaction();
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Database& db_;
  bool open_ = false;
};

// The registry error code for a SQLite result code.
LONG ErrorFromSqlite(int rc);

}  // namespace kestrel::registry
