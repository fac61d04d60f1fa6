// Registry speed beside the raw SQLite cost of the same work, in one run:
//   read:   open a key six levels deep, query a value, close
//   write:  one committed RegSetValueExA
//   enum:   RegEnumKeyA over 1,000 subkeys
// The raw side is a connection of its own to a database of the same schema,
// with the same pragmas, doing the same work through prepared statements
// as cheaply as SQLite can: the lookups in one read transaction, the write
// as one statement, the names by one statement stepping through them.
#include <benchmark/benchmark.h>

#include "bench_machine.h"
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "kestrel/machine.h"
#include "windows.h"

namespace {

constexpr const char* kDeepPath = "Software\\Kestrel\\Bench\\Deep\\Level5\\Level6";
constexpr const char* kDeepFolded[] = {"SOFTWARE", "KESTREL", "BENCH", "DEEP", "LEVEL5", "LEVEL6"};
constexpr int kSubkeys = 1000;

std::string SubkeyName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "Item%04d", i);
  return name;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "bench setup failed: %s\n", what);
    std::exit(1);
  }
}

// The raw side: the same tables and indexes, statements prepared once.
struct Raw {
  sqlite3* db = nullptr;
  sqlite3_stmt* find_child = nullptr;
  sqlite3_stmt* query_value = nullptr;
  sqlite3_stmt* set_value = nullptr;
  sqlite3_stmt* children = nullptr;
  sqlite3_stmt* begin = nullptr;
  sqlite3_stmt* commit = nullptr;
  int64_t hive = 0, deep = 0, many = 0;

  void Exec(const char* sql) { Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK, sql); }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) == SQLITE_OK, sql);
    return stmt;
  }
  int64_t AddKey(int64_t parent, const std::string& name, const std::string& fold) {
    sqlite3_stmt* insert = Prepare("INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
    sqlite3_bind_int64(insert, 1, parent);
    sqlite3_bind_blob(insert, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    sqlite3_bind_blob(insert, 3, fold.data(), static_cast<int>(fold.size()), SQLITE_STATIC);
    Check(sqlite3_step(insert) == SQLITE_DONE, "insert key");
    sqlite3_finalize(insert);
    return sqlite3_last_insert_rowid(db);
  }

  void Open(const std::filesystem::path& file) {
    Check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                          nullptr) == SQLITE_OK,
          "open raw");
    sqlite3_busy_timeout(db, 3000);
    Exec("PRAGMA journal_mode = WAL");
    Exec("PRAGMA synchronous = NORMAL");
    Exec(R"sql(
      CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL, name BLOB NOT NULL,
                        fold BLOB NOT NULL, UNIQUE(parent, fold));
      CREATE TABLE vals(seq INTEGER PRIMARY KEY, key INTEGER NOT NULL, name BLOB NOT NULL, fold BLOB NOT NULL,
                        type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, fold));
      CREATE INDEX vals_order ON vals(key, seq);
      INSERT INTO keys(id, parent, name, fold) VALUES (1, 0, x'00', x'00'), (2, 0, x'01', x'01');
    )sql");
    Exec("BEGIN");
    hive = AddKey(2, "S-1-5-21-1-2-3-1000", "S-1-5-21-1-2-3-1000");
    const char* names[] = {"Software", "Kestrel", "Bench", "Deep", "Level5", "Level6"};
    int64_t at = hive;
    for (int i = 0; i < 6; ++i) at = AddKey(at, names[i], kDeepFolded[i]);
    deep = at;
    many = AddKey(hive, "Many", "MANY");
    for (int i = 0; i < kSubkeys; ++i) {
      std::string name = SubkeyName(i), fold = name;
      for (char& c : fold) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      AddKey(many, name, fold);
    }
    Exec("INSERT INTO vals(key, name, fold, type, data) VALUES (" + std::to_string(deep) +
         ", x'76', x'56', 1, CAST('a value six levels deep' AS BLOB) || x'00')");
    Exec("COMMIT");
    find_child = Prepare("SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    query_value = Prepare("SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
    set_value = Prepare(
        "INSERT INTO vals(key, name, fold, type, data) SELECT ?1, ?2, ?3, ?4, ?5 FROM keys WHERE id = ?1 "
        "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    begin = Prepare("BEGIN");
    commit = Prepare("COMMIT");
    children = Prepare("SELECT name FROM keys WHERE parent = ?1 ORDER BY fold");
  }
  void Exec(const std::string& sql) { Exec(sql.c_str()); }
};

Raw g_raw;

void Setup() {
  HKEY deep = nullptr, many = nullptr;
  Check(RegCreateKeyExA(HKEY_CURRENT_USER, kDeepPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deep, nullptr) == 0,
        "create deep");
  const char text[] = "a value six levels deep";
  Check(RegSetValueExA(deep, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text) == 0, "set");
  RegCloseKey(deep);
  Check(RegCreateKeyExA(HKEY_CURRENT_USER, "Many", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &many, nullptr) == 0,
        "create many");
  for (int i = 0; i < kSubkeys; ++i) {
    HKEY sub = nullptr;
    Check(RegCreateKeyExA(many, SubkeyName(i).c_str(), 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr) == 0, "sub");
    RegCloseKey(sub);
  }
  RegCloseKey(many);
  g_raw.Open(kestrel::machine::Home() / "raw.db");
}

void BM_ReadDeep(benchmark::State& state) {
  char buffer[64];
  for (auto _ : state) {
    HKEY key = nullptr;
    DWORD size = sizeof buffer, type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDeepPath, 0, KEY_QUERY_VALUE, &key) ||
        RegQueryValueExA(key, "v", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size))
      state.SkipWithError("read failed");
    RegCloseKey(key);
    benchmark::DoNotOptimize(buffer);
  }
}

// The same lookups in one read transaction: one lock, as few as SQLite allows.
void BM_RawReadDeep(benchmark::State& state) {
  char buffer[64];
  for (auto _ : state) {
    sqlite3_step(g_raw.begin);
    sqlite3_reset(g_raw.begin);
    int64_t at = g_raw.hive;
    for (const char* fold : kDeepFolded) {
      sqlite3_bind_int64(g_raw.find_child, 1, at);
      sqlite3_bind_blob(g_raw.find_child, 2, fold, static_cast<int>(std::strlen(fold)), SQLITE_STATIC);
      if (sqlite3_step(g_raw.find_child) != SQLITE_ROW) state.SkipWithError("raw lookup failed");
      at = sqlite3_column_int64(g_raw.find_child, 0);
      sqlite3_reset(g_raw.find_child);
    }
    sqlite3_bind_int64(g_raw.query_value, 1, at);
    sqlite3_bind_blob(g_raw.query_value, 2, "V", 1, SQLITE_STATIC);
    if (sqlite3_step(g_raw.query_value) != SQLITE_ROW) state.SkipWithError("raw query failed");
    int n = sqlite3_column_bytes(g_raw.query_value, 1);
    std::memcpy(buffer, sqlite3_column_blob(g_raw.query_value, 1), static_cast<size_t>(n));
    sqlite3_reset(g_raw.query_value);
    sqlite3_step(g_raw.commit);
    sqlite3_reset(g_raw.commit);
    benchmark::DoNotOptimize(buffer);
  }
}

void BM_Write(benchmark::State& state) {
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, kDeepPath, 0, KEY_SET_VALUE, &key);
  DWORD counter = 0;
  for (auto _ : state) {
    ++counter;
    if (RegSetValueExA(key, "counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&counter), 4))
      state.SkipWithError("write failed");
  }
  RegCloseKey(key);
}

void BM_RawWrite(benchmark::State& state) {
  DWORD counter = 0;
  for (auto _ : state) {
    ++counter;
    sqlite3_stmt* s = g_raw.set_value;
    sqlite3_bind_int64(s, 1, g_raw.deep);
    sqlite3_bind_blob(s, 2, "counter", 7, SQLITE_STATIC);
    sqlite3_bind_blob(s, 3, "COUNTER", 7, SQLITE_STATIC);
    sqlite3_bind_int64(s, 4, REG_DWORD);
    sqlite3_bind_blob(s, 5, &counter, 4, SQLITE_STATIC);
    if (sqlite3_step(s) != SQLITE_DONE) state.SkipWithError("raw write failed");
    sqlite3_reset(s);
  }
}

void BM_Enum1000(benchmark::State& state) {
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, "Many", 0, KEY_ENUMERATE_SUB_KEYS, &key);
  char name[256];
  for (auto _ : state) {
    DWORD i = 0;
    while (RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS) ++i;
    if (i != kSubkeys) state.SkipWithError("wrong count");
  }
  RegCloseKey(key);
}

// The least SQLite can do for the same names: one statement stepping through them.
void BM_RawEnum1000(benchmark::State& state) {
  char name[256];
  for (auto _ : state) {
    int count = 0;
    sqlite3_stmt* s = g_raw.children;
    sqlite3_bind_int64(s, 1, g_raw.many);
    while (sqlite3_step(s) == SQLITE_ROW) {
      std::memcpy(name, sqlite3_column_blob(s, 0), static_cast<size_t>(sqlite3_column_bytes(s, 0)));
      ++count;
    }
    sqlite3_reset(s);
    if (count != kSubkeys) state.SkipWithError("raw wrong count");
  }
}

BENCHMARK(BM_ReadDeep)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RawReadDeep)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_Write)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RawWrite)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_Enum1000)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RawEnum1000)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  kestrel::bench::ScopedMachine machine;
  Setup();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  sqlite3_close_v2(g_raw.db);
  return 0;
}
