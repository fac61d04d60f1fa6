#include "windows/published_windows.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "kestrel/machine.h"

namespace kestrel::windows {
namespace {

constexpr uint32_t kFirstHandle = 0x20000;
constexpr uint32_t kBlock = 256;
constexpr uint32_t kLastHandle = 0x7FFFFF00;
// Handles of a process that cannot reach its machine folder: unique within it only.
std::atomic<uint32_t> g_local_handles{0x60000000};

std::string ReadFile(const std::string& path, size_t limit) {
  std::string data;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return data;
  char buf[8192];
  for (ssize_t n; data.size() < limit && (n = read(fd, buf, sizeof buf)) > 0;) data.append(buf, static_cast<size_t>(n));
  close(fd);
  return data;
}

bool WriteFile(const std::string& path, const std::string& data) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return close(fd) == 0 && done == data.size();
}

bool ParseNumber(const std::string& text, unsigned long long max, unsigned long long* out) {
  if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (errno || v > max) return false;
  *out = v;
  return true;
}

// A process file's name, "<pid>-<start time>": false for other files.
bool ParseName(const std::string& name, DWORD* pid, unsigned long long* start) {
  size_t dash = name.find('-');
  unsigned long long p;
  if (dash == std::string::npos || !ParseNumber(name.substr(0, dash), 0x7FFFFFFF, &p) ||
      !ParseNumber(name.substr(dash + 1), ~0ull, start))
    return false;
  *pid = static_cast<DWORD>(p);
  return true;
}

// A process file's windows; false for anything malformed.
bool ParseWindows(const std::string& data, DWORD pid, std::vector<PublishedWindow>* out) {
  std::vector<std::string> fields;
  for (size_t at = 0; at < data.size();) {
    size_t nul = data.find('\0', at);
    if (nul == std::string::npos) return false;
    fields.push_back(data.substr(at, nul - at));
    at = nul + 1;
  }
  if (fields.size() % 4) return false;
  for (size_t i = 0; i < fields.size(); i += 4) {
    unsigned long long handle, tid;
    if (!ParseNumber(fields[i], 0xFFFFFFFF, &handle) || !ParseNumber(fields[i + 1], 0xFFFFFFFF, &tid)) return false;
    out->push_back({static_cast<uint32_t>(handle), pid, static_cast<DWORD>(tid), fields[i + 2], fields[i + 3]});
  }
  return true;
}

// The state letter and start time of a process from /proc; false when it is gone.
bool ReadProcessStat(pid_t pid, char* state, unsigned long long* start) {
  std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat", 4096);
  // The command name may hold spaces and parentheses: fields count from the last ')'.
  size_t close_paren = stat.rfind(')');
  if (close_paren == std::string::npos || close_paren + 2 >= stat.size()) return false;
  const char* p = stat.c_str() + close_paren + 2;
  *state = *p;
  for (int field = 3; field < 22 && *p; ++p)
    if (*p == ' ') ++field;
  *start = std::strtoull(p, nullptr, 10);
  return true;
}

}  // namespace

void PublishedWindows::SyncLocked() {
  unsigned machine = kestrel::machine::Generation();
  if (machine == machine_) return;
  if (shared_) munmap(shared_, 4096);
  shared_ = nullptr;
  machine_ = machine;
  cache_.clear();
  cache_start_.clear();
  dead_.clear();
  seen_generation_ = ~0ull;
  block_next_ = block_end_ = 0;
  published_ = false;
  std::error_code ec;
  try {
    dir_ = kestrel::machine::Home() / "windows";
  } catch (const std::exception&) {
    dir_.clear();
    return;
  }
  std::filesystem::create_directories(dir_, ec);
  int fd = open((dir_ / "shared").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // Growing to one page only ever adds zeros, so racing first users agree.
  if (ftruncate(fd, 4096) == 0) {
    void* p = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p != MAP_FAILED) shared_ = static_cast<Shared*>(p);
  }
  close(fd);
}

unsigned PublishedWindows::Machine() {
  std::lock_guard lock(mutex_);
  SyncLocked();
  return machine_;
}

uint32_t PublishedWindows::NewHandle() {
  std::lock_guard lock(mutex_);
  SyncLocked();
  if (block_next_ == block_end_) {
    uint64_t block = shared_ ? shared_->next_block.fetch_add(1) : ~0ull;
    if (block >= (kLastHandle - kFirstHandle) / kBlock) return g_local_handles.fetch_add(1);
    block_next_ = kFirstHandle + static_cast<uint32_t>(block) * kBlock;
    block_end_ = block_next_ + kBlock;
  }
  return block_next_++;
}

void PublishedWindows::Publish(const std::vector<PublishedWindow>& own) {
  std::lock_guard lock(mutex_);
  SyncLocked();
  if (dir_.empty() || !shared_) return;
  pid_t pid = getpid();
  if (own_pid_ != pid) {
    char state = 0;
    own_pid_ = pid;
    ReadProcessStat(pid, &state, &own_start_);
  }
  std::string file = (dir_ / (std::to_string(pid) + '-' + std::to_string(own_start_))).string();
  if (own.empty()) {
    if (!published_) return;
    unlink(file.c_str());
    published_ = false;
  } else {
    std::string data;
    for (const auto& w : own) {
      for (const std::string& field : {std::to_string(w.handle), std::to_string(w.tid), w.class_name, w.title}) {
        data += field;
        data += '\0';
      }
    }
    std::string temp = file + ".new";
    if (!WriteFile(temp, data) || rename(temp.c_str(), file.c_str()) != 0) {
      unlink(temp.c_str());
      return;
    }
    if (!published_) {
      published_ = true;
      // A process that ends normally takes its entries away at once.
      static PublishedWindows* self = nullptr;
      if (!self) {
        self = this;
        std::atexit([] { self->Publish({}); });
      }
    }
  }
  shared_->generation.fetch_add(1);
}

bool PublishedWindows::AliveLocked(DWORD pid, unsigned long long start) {
  if (dead_.count({pid, start})) return false;
  // A process that has ended but is not yet reaped (Z) counts as gone.
  char state = 0;
  unsigned long long started = 0;
  bool alive = ReadProcessStat(static_cast<pid_t>(pid), &state, &started) && started == start && state != 'Z' &&
               state != 'X';
  if (!alive) dead_.insert({pid, start});
  return alive;
}

void PublishedWindows::RefreshLocked() {
  SyncLocked();
  if (!shared_) return;
  uint64_t generation = shared_->generation.load();
  if (generation == seen_generation_) return;
  seen_generation_ = generation;
  cache_.clear();
  cache_start_.clear();
  DIR* dir = opendir(dir_.c_str());
  if (!dir) return;
  DWORD own = static_cast<DWORD>(getpid());
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    DWORD pid = 0;
    unsigned long long start = 0;
    if (!ParseName(name, &pid, &start) || pid == own) continue;
    std::string path = (dir_ / name).string();
    if (!AliveLocked(pid, start)) {
      // No other process ever has that name: the entries of one that ended can go.
      unlink(path.c_str());
      continue;
    }
    std::vector<PublishedWindow> windows;
    if (!ParseWindows(ReadFile(path, 16 << 20), pid, &windows)) continue;
    for (auto& w : windows) {
      cache_.push_back(std::move(w));
      cache_start_.push_back(start);
    }
  }
  closedir(dir);
  std::vector<size_t> order(cache_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return cache_[a].handle < cache_[b].handle; });
  std::vector<PublishedWindow> sorted;
  std::vector<unsigned long long> starts;
  for (size_t i : order) {
    sorted.push_back(std::move(cache_[i]));
    starts.push_back(cache_start_[i]);
  }
  cache_.swap(sorted);
  cache_start_.swap(starts);
}

std::optional<PublishedWindow> PublishedWindows::CheckedLocked(size_t index) {
  // The cache may be older than the process's end: look again before answering.
  if (!AliveLocked(cache_[index].pid, cache_start_[index])) return std::nullopt;
  return cache_[index];
}

std::optional<PublishedWindow> PublishedWindows::Find(uint32_t handle) {
  std::lock_guard lock(mutex_);
  RefreshLocked();
  auto it = std::lower_bound(cache_.begin(), cache_.end(), handle,
                             [](const PublishedWindow& w, uint32_t h) { return w.handle < h; });
  if (it == cache_.end() || it->handle != handle) return std::nullopt;
  return CheckedLocked(static_cast<size_t>(it - cache_.begin()));
}

std::optional<PublishedWindow> PublishedWindows::FindNext(uint32_t after,
                                                          const std::function<bool(const PublishedWindow&)>& match) {
  std::lock_guard lock(mutex_);
  RefreshLocked();
  for (size_t i = 0; i < cache_.size(); ++i) {
    if (cache_[i].handle <= after || !match(cache_[i])) continue;
    if (auto w = CheckedLocked(i)) return w;
  }
  return std::nullopt;
}

std::vector<PublishedWindow> PublishedWindows::Others() {
  std::lock_guard lock(mutex_);
  RefreshLocked();
  std::vector<PublishedWindow> live;
  for (size_t i = 0; i < cache_.size(); ++i)
    if (!dead_.count({cache_[i].pid, cache_start_[i]})) live.push_back(cache_[i]);
  return live;
}

void PublishedWindows::MarkDead(DWORD pid) {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < cache_.size(); ++i)
    if (cache_[i].pid == pid) AliveLocked(pid, cache_start_[i]);
}

}  // namespace kestrel::windows
