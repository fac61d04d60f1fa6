#include "registry/tree.h"

#include <array>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "kestrel/codepage.h"

namespace kestrel::registry {
namespace {

// What the last enumerations of this thread read: a run of a key's subkeys
// or values from some index on. The calls after a refill are answered from
// the run for as long as the database's mark shows that nothing was
// committed since; the run after it is then read with one seek past its
// last entry instead of counting from the start of the list.
template <class Entry>
struct Run {
  uint64_t epoch = 0;  // 0: not usable
  int64_t key = 0;
  Database::Mark mark{};
  DWORD first = 0;      // the index of entries[0]
  bool to_end = false;  // the run reaches the end of the list
  std::vector<Entry> entries;
  std::string last_fold;  // where the run ends: subkeys by folded name,
  int64_t last_seq = 0;   // values by creation order

  bool Current(const Database& db, const std::optional<Database::Mark>& now, int64_t k) const {
    return epoch == db.epoch() && key == k && now && *now == mark;
  }
  bool Answers(DWORD index) const { return index >= first && (index - first < entries.size() || to_end); }
};

template <class Entry>
struct Runs {
  std::array<Run<Entry>, 4> slots;
  size_t next = 0;

  Run<Entry>* Answering(const Database& db, const std::optional<Database::Mark>& now, int64_t key, DWORD index) {
    for (Run<Entry>& r : slots)
      if (r.Current(db, now, key) && r.Answers(index)) return &r;
    return nullptr;
  }
  Run<Entry>* EndingAt(const Database& db, const std::optional<Database::Mark>& now, int64_t key, DWORD index) {
    for (Run<Entry>& r : slots)
      if (r.Current(db, now, key) && !r.entries.empty() && r.first + r.entries.size() == index) return &r;
    return nullptr;
  }
  Run<Entry>& Fresh() { return slots[next++ % slots.size()]; }
};

// Name lookups of this thread: (parent, folded name) → key, and keys known
// to exist, good while the database's mark stays what it was when they were
// read.
struct Lookups {
  uint64_t epoch = 0;
  Database::Mark mark{};
  std::unordered_map<std::string, int64_t> children;
  std::unordered_set<int64_t> existing;

  static constexpr size_t kMaxEntries = 4096;
  static std::string Slot(int64_t parent, std::string_view fold) {
    std::string slot(reinterpret_cast<const char*>(&parent), sizeof parent);
    return slot.append(fold);
  }
  // Whether the lookups may be used and kept now; forgets them when the
  // database changed.
  bool Usable(const Database& db, const std::optional<Database::Mark>& now) {
    if (!now) return false;
    if (epoch != db.epoch() || mark != *now || children.size() + existing.size() > kMaxEntries) {
      children.clear();
      existing.clear();
      epoch = db.epoch();
      mark = *now;
    }
    return true;
  }
};

thread_local Lookups t_lookups;

constexpr int64_t kSubkeysPerRun = 128;
constexpr int64_t kValuesPerRun = 64;
constexpr size_t kValueBytesPerRun = 256 * 1024;

thread_local Runs<std::string> t_subkeys;
thread_local Runs<ValueEntry> t_values;

// Answers index from a run, reading one from the database when none
// answers it. fill(run, seek) reads entries into run from run.first on,
// seeking past run.last_* when seek is set, and tells whether it reached the
// end of the list.
template <class Entry, class Fill>
LONG EntryAt(Database& db, Runs<Entry>& runs, int64_t key, DWORD index, Entry& out, Fill&& fill) {
  std::optional<Database::Mark> now = db.CurrentMark();  // taken before reading: a later commit changes it
  Run<Entry>* run = runs.Answering(db, now, key, index);
  if (!run) {
    Run<Entry>* before = runs.EndingAt(db, now, key, index);
    run = before ? before : &runs.Fresh();
    run->epoch = 0;
    run->key = key;
    run->first = index;
    for (bool seek = before != nullptr;; seek = false) {
      run->entries.clear();
      {
        ReadTransaction read(db);
        if (!KeyExists(db, key)) return ERROR_KEY_DELETED;
        run->to_end = fill(*run, seek);
      }
      if (!seek) break;
      // A seek counts right only if nothing was committed since the run before.
      std::optional<Database::Mark> after = db.CurrentMark();
      if (after == now) break;
      now = after;
    }
    if (now) {
      run->mark = *now;
      run->epoch = db.epoch();
    }
  }
  size_t at = index - run->first;
  if (at >= run->entries.size()) return ERROR_NO_MORE_ITEMS;
  out = run->entries[at];
  return ERROR_SUCCESS;
}

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
  // Inside a write the file may hold this call's own changes: no lookups kept.
  bool cached = !db.InTransaction() && t_lookups.Usable(db, db.CurrentMark());
  std::optional<ReadTransaction> read;
  auto exists = [&](int64_t key) {
    if (cached && t_lookups.existing.contains(key)) return true;
    if (!read) read.emplace(db);
    bool found = KeyExists(db, key);
    if (found && cached) t_lookups.existing.insert(key);
    return found;
  };
  int64_t at = from;
  for (std::string_view name : names) {
    std::string slot = Lookups::Slot(at, codepage::FoldAnsi(name));
    std::string_view fold = std::string_view(slot).substr(sizeof at);
    if (cached) {
      if (auto hit = t_lookups.children.find(slot); hit != t_lookups.children.end()) {
        at = hit->second;
        continue;
      }
    }
    if (!read) read.emplace(db);
    auto child = db.FindChild(at, fold);
    if (!child) return at == from && !exists(from) ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    if (cached) t_lookups.children.emplace(std::move(slot), *child);
    at = *child;
  }
  if (names.empty() && !exists(from)) return ERROR_KEY_DELETED;
  id = at;
  return ERROR_SUCCESS;
}

LONG SubkeyAt(Database& db, int64_t key, DWORD index, std::string& name) {
  return EntryAt(db, t_subkeys, key, index, name, [&](Run<std::string>& run, bool seek) {
    Query q = db.Use(seek ? Sql::kChildrenAfter : Sql::kChildrenFrom);
    q.Bind(1, key).Bind(3, kSubkeysPerRun);
    if (seek) {
      q.Bind(2, run.last_fold);
    } else {
      q.Bind(2, static_cast<int64_t>(run.first));
    }
    while (q.Step()) run.entries.emplace_back(q.Blob(0));
    if (!run.entries.empty()) run.last_fold = codepage::FoldAnsi(run.entries.back());
    return static_cast<int64_t>(run.entries.size()) < kSubkeysPerRun;
  });
}

LONG ValueAt(Database& db, int64_t key, DWORD index, ValueEntry& value) {
  return EntryAt(db, t_values, key, index, value, [&](Run<ValueEntry>& run, bool seek) {
    // A run holds a few values, or one when they are big.
    Query q = db.Use(seek ? Sql::kValuesAfter : Sql::kValuesFrom);
    q.Bind(1, key).Bind(2, seek ? run.last_seq : static_cast<int64_t>(run.first)).Bind(3, kValuesPerRun);
    size_t bytes = 0;
    while (bytes < kValueBytesPerRun && q.Step()) {
      run.entries.push_back({std::string(q.Blob(1)), static_cast<DWORD>(q.Int(2)), std::string(q.Blob(3))});
      run.last_seq = q.Int(0);
      bytes += run.entries.back().data.size();
    }
    return bytes < kValueBytesPerRun && static_cast<int64_t>(run.entries.size()) < kValuesPerRun;
  });
}

}  // namespace kestrel::registry
