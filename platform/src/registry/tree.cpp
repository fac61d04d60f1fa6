#include "registry/tree.h"

#include <array>

#include "kestrel/codepage.h"

namespace kestrel::registry {
namespace {

// Where the last enumerations of this thread stood. An enumeration that asks
// for the next index carries on from there with one index seek, as long as
// the key's stamp shows that no subkey or value came or went since.
struct Cursor {
  unsigned generation = 0;
  int64_t key = 0;
  bool values = false;
  DWORD index = 0;
  int64_t stamp = -1;
  std::string fold;  // subkeys: the folded name at index
  int64_t seq = 0;   // values: the sequence number at index
};

struct Cursors {
  std::array<Cursor, 8> slots;
  size_t next = 0;

  // The cursor standing just before index, if any.
  Cursor* Before(unsigned generation, int64_t key, bool values, DWORD index) {
    if (index == 0) return nullptr;
    for (Cursor& c : slots)
      if (c.key == key && c.values == values && c.index + 1 == index && c.generation == generation) return &c;
    return nullptr;
  }
  // A cursor to fill: the stale one given, or the oldest.
  Cursor& Fresh(unsigned generation, int64_t key, bool values, Cursor* stale) {
    Cursor& c = stale ? *stale : slots[next++ % slots.size()];
    c = Cursor{};
    c.generation = generation;
    c.key = key;
    c.values = values;
    return c;
  }
};

thread_local Cursors t_cursors;

}  // namespace

LONG SplitPath(std::string_view path, std::vector<std::string_view>& names) {
  names.clear();
  if (path.empty()) return ERROR_SUCCESS;
  if (path.front() == '\\') return ERROR_BAD_PATHNAME;
  if (path.back() == '\\') path.remove_suffix(1);
  while (true) {
    size_t end = path.find('\\');
    std::string_view name = path.substr(0, end);
    if (name.empty()) return ERROR_BAD_PATHNAME;
    names.push_back(name);
    if (end == std::string_view::npos) return ERROR_SUCCESS;
    path.remove_prefix(end + 1);
  }
}

bool KeyExists(Database& db, int64_t id) {
  Query q = db.Use(Sql::kKeyExists);
  q.Bind(1, id);
  return q.Step();
}

LONG Walk(Database& db, int64_t from, const std::vector<std::string_view>& names, int64_t& id) {
  int64_t at = from;
  for (std::string_view name : names) {
    auto child = db.FindChild(at, codepage::FoldAnsi(name));
    if (!child) return at == from && !KeyExists(db, from) ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    at = *child;
  }
  if (names.empty() && !KeyExists(db, from)) return ERROR_KEY_DELETED;
  id = at;
  return ERROR_SUCCESS;
}

LONG SubkeyAt(Database& db, int64_t key, DWORD index, std::string& name) {
  Cursor* c = t_cursors.Before(db.generation(), key, false, index);
  if (c) {
    Query q = db.Use(Sql::kChildAfter);
    q.Bind(1, key).Bind(2, c->fold);
    if (!q.Step()) return ERROR_KEY_DELETED;
    if (q.Int(0) == c->stamp) {
      if (q.IsNull(1)) return ERROR_NO_MORE_ITEMS;
      name = q.Blob(1);
      c->index = index;
      c->fold = codepage::FoldAnsi(name);
      return ERROR_SUCCESS;
    }
  }
  Query q = db.Use(Sql::kChildAt);
  q.Bind(1, key).Bind(2, static_cast<int64_t>(index));
  if (!q.Step()) return ERROR_KEY_DELETED;
  if (q.IsNull(1)) return ERROR_NO_MORE_ITEMS;
  name = q.Blob(1);
  Cursor& fresh = t_cursors.Fresh(db.generation(), key, false, c);
  fresh.index = index;
  fresh.stamp = q.Int(0);
  fresh.fold = codepage::FoldAnsi(name);
  return ERROR_SUCCESS;
}

LONG ValueAt(Database& db, int64_t key, DWORD index, ValueEntry& value) {
  auto read = [&](Query& q) {
    value.name = q.Blob(2);
    value.type = static_cast<DWORD>(q.Int(3));
    value.data = q.Blob(4);
    return q.Int(1);
  };
  Cursor* c = t_cursors.Before(db.generation(), key, true, index);
  if (c) {
    Query q = db.Use(Sql::kValueAfter);
    q.Bind(1, key).Bind(2, c->seq);
    if (!q.Step()) return ERROR_KEY_DELETED;
    if (q.Int(0) == c->stamp) {
      if (q.IsNull(1)) return ERROR_NO_MORE_ITEMS;
      c->seq = read(q);
      c->index = index;
      return ERROR_SUCCESS;
    }
  }
  Query q = db.Use(Sql::kValueAt);
  q.Bind(1, key).Bind(2, static_cast<int64_t>(index));
  if (!q.Step()) return ERROR_KEY_DELETED;
  if (q.IsNull(1)) return ERROR_NO_MORE_ITEMS;
  Cursor& fresh = t_cursors.Fresh(db.generation(), key, true, c);
  fresh.seq = read(q);
  fresh.index = index;
  fresh.stamp = q.Int(0);
  return ERROR_SUCCESS;
}

}  // namespace kestrel::registry
