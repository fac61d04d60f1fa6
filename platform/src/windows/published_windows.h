// The machine's table of top-level windows, shared by the processes of one
// machine folder through <home>/windows/:
//   shared  a page every process maps: a generation that changes with every
//           publication (so that readers keep a cache and check one number),
//           and the next free block of window handles
//   <pid>-<start time>  one file per process, replaced whole: for each of
//           its top-level windows its handle, thread, class and title, each
//           ended by a NUL
// A process's windows vanish with it: its entries are skipped, and its file
// removed, once its pid is gone or belongs to a process started at another
// time (the start time in the name guards against reused pids).
#pragma once

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "windows.h"

namespace kestrel::windows {

struct PublishedWindow {
  uint32_t handle = 0;
  DWORD pid = 0;
  DWORD tid = 0;
  std::string class_name;
  std::string title;
};

class PublishedWindows {
 public:
  // The machine folder generation the table belongs to; windows made under an
  // earlier one stay in this process only.
  unsigned Machine();
  // A handle no other window of the machine has had.
  uint32_t NewHandle();
  // Replaces this process's entries (pid fields ignored).
  void Publish(const std::vector<PublishedWindow>& own);
  // A live window of another process.
  std::optional<PublishedWindow> Find(uint32_t handle);
  // The first live window of another process after `after` (0: from the
  // start) in handle order that match accepts.
  std::optional<PublishedWindow> FindNext(uint32_t after, const std::function<bool(const PublishedWindow&)>& match);
  std::vector<PublishedWindow> Others();
  // The process was seen to have ended.
  void MarkDead(DWORD pid);

 private:
  struct Shared {
    std::atomic<uint64_t> generation;
    std::atomic<uint64_t> next_block;
  };
  struct Process {
    DWORD pid;
    unsigned long long start;
  };

  void SyncLocked();
  void RefreshLocked();
  bool AliveLocked(DWORD pid, unsigned long long start);
  std::optional<PublishedWindow> CheckedLocked(size_t index);

  std::mutex mutex_;
  unsigned machine_ = 0;
  std::filesystem::path dir_;
  Shared* shared_ = nullptr;
  uint64_t seen_generation_ = ~0ull;
  std::vector<PublishedWindow> cache_;  // other processes', by handle
  std::vector<unsigned long long> cache_start_;  // start time of each entry's process
  std::set<std::pair<DWORD, unsigned long long>> dead_;
  uint32_t block_next_ = 0, block_end_ = 0;
  bool published_ = false;
  pid_t own_pid_ = 0;
  unsigned long long own_start_ = 0;  // in clock ticks since boot, as /proc tells
};

}  // namespace kestrel::windows
