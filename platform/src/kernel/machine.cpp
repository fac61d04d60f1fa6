#include "kestrel/machine.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::machine {
namespace fs = std::filesystem;
namespace {

struct State {
  std::mutex mutex;
  fs::path home;  // empty until first use
  std::string sid;
};

State& state() {
  static State s;
  return s;
}

std::atomic<unsigned> g_generation{1};

fs::path DefaultHome() {
  if (const char* env = std::getenv("KESTREL_HOME"); env && *env) return fs::absolute(env);
  const char* user_home = std::getenv("HOME");
  return fs::path(user_home && *user_home ? user_home : "/tmp") / ".kestrel";
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string MakeSid() {
  std::random_device rd;
  std::uniform_int_distribution<uint32_t> part(100000000u, 4000000000u);
  std::ostringstream out;
  out << "S-1-5-21-" << part(rd) << '-' << part(rd) << '-' << part(rd) << "-1000";
  return out.str();
}

// Creates the folder layout and the sid once; the caller holds the mutex.
void EnsureLocked(State& s) {
  if (!s.home.empty()) return;
  fs::path home = DefaultHome();
  std::error_code ec;
  fs::create_directories(home / "drive_c" / "Temp", ec);
  if (ec) throw std::runtime_error("cannot create the machine folder " + home.string() + ": " + ec.message());
  fs::path sid_file = home / "sid";
  std::string sid;
  if (std::ifstream in(sid_file); in) std::getline(in, sid);
  sid = Trim(sid);
  if (sid.empty()) {
    sid = MakeSid();
    // Written beside, then renamed, so that two first uses agree on one sid.
    fs::path tmp = home / ("sid." + std::to_string(::getpid()));
    { std::ofstream(tmp) << sid << '\n'; }
    if (!fs::exists(sid_file)) fs::rename(tmp, sid_file, ec);
    fs::remove(tmp, ec);
    if (std::ifstream in(sid_file); in) std::getline(in, sid);
    sid = Trim(sid);
  }
  s.home = home;
  s.sid = sid;
}

std::vector<std::pair<std::string, std::string>> ReadConf(const fs::path& file) {
  std::vector<std::pair<std::string, std::string>> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    size_t eq = line.find('=');
    if (eq == std::string::npos || Trim(line).starts_with('#')) continue;
    lines.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  return lines;
}

}  // namespace

fs::path Home() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  EnsureLocked(s);
  return s.home;
}

std::string UserSid() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  EnsureLocked(s);
  return s.sid;
}

std::string Setting(const std::string& key, const std::string& fallback) {
  // machine.conf is read again only when it changed, so hot paths may ask.
  static std::mutex mutex;
  static std::string cached_path;
  static struct timespec cached_mtime {};
  static ino_t cached_inode = 0;
  static std::vector<std::pair<std::string, std::string>> cached;
  std::string file = (Home() / "machine.conf").string();
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return fallback;
  std::lock_guard lock(mutex);
  if (file != cached_path || st.st_mtim.tv_sec != cached_mtime.tv_sec || st.st_mtim.tv_nsec != cached_mtime.tv_nsec ||
      st.st_ino != cached_inode) {
    cached = ReadConf(file);
    cached_path = file;
    cached_mtime = st.st_mtim;
    cached_inode = st.st_ino;
  }
  for (auto& [k, v] : cached)
    if (k == key) return v;
  return fallback;
}

void SetSetting(const std::string& key, const std::string& value) {
  fs::path file = Home() / "machine.conf";
  auto lines = ReadConf(file);
  bool replaced = false;
  for (auto& [k, v] : lines)
    if (k == key) v = value, replaced = true;
  if (!replaced) lines.emplace_back(key, value);
  // A new file renamed into place, so that readers see a new inode.
  fs::path tmp = file;
  tmp += "." + std::to_string(::getpid());
  {
    std::ofstream out(tmp, std::ios::trunc);
    for (auto& [k, v] : lines) out << k << " = " << v << '\n';
  }
  fs::rename(tmp, file);
}

bool IsStandardUser() { return Setting("user", "admin") == "standard"; }

void Switch(const fs::path& home) {
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    ::setenv("KESTREL_HOME", fs::absolute(home).c_str(), 1);
    s.home.clear();
    s.sid.clear();
    EnsureLocked(s);
  }
  ++g_generation;
}

unsigned Generation() { return g_generation.load(std::memory_order_acquire); }

}  // namespace kestrel::machine
