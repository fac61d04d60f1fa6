// Last error, temporary files, environment, memory, time and processes.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "kestrel/codepage.h"
#include "kestrel/machine.h"
#include "kestrel/paths.h"
#include "windows.h"

extern char** environ;

namespace {

thread_local DWORD t_last_error = 0;

// Copies text and a terminator into buffer when it fits; the size protocol
// of the "A" functions that report characters: length without terminator on
// success, size needed including it otherwise.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size < text.size() + 1) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

std::string UserName() {
  const char* user = std::getenv("USER");
  return user && *user ? user : "user";
}

// Variables set in this process with SetEnvironmentVariableA; a missing
// optional value means "deleted". Keys are folded names.
struct Environment {
  std::mutex mutex;
  std::map<std::string, std::optional<std::string>> overrides;
  std::map<std::string, std::string> original_names;
};

Environment& environment() {
  static Environment env;
  return env;
}

// The machine's own variables, which stand in front of the Linux ones.
std::optional<std::string> MachineVariable(const std::string& folded) {
  const std::string user = UserName();
  if (folded == "TEMP" || folded == "TMP") return "C:\\Temp";
  if (folded == "USERPROFILE") return "C:\\Users\\" + user;
  if (folded == "APPDATA") return "C:\\Users\\" + user + "\\AppData\\Roaming";
  if (folded == "LOCALAPPDATA") return "C:\\Users\\" + user + "\\AppData\\Local";
  if (folded == "SYSTEMROOT" || folded == "WINDIR") return "C:\\Windows";
  if (folded == "SYSTEMDRIVE" || folded == "HOMEDRIVE") return "C:";
  if (folded == "HOMEPATH") return "\\Users\\" + user;
  if (folded == "USERNAME") return user;
  if (folded == "COMPUTERNAME") return "KESTREL";
  if (folded == "PROGRAMFILES") return "C:\\Program Files";
  return std::nullopt;
}

std::optional<std::string> LookUp(const std::string& name) {
  std::string folded = kestrel::codepage::FoldAnsi(name);
  {
    Environment& env = environment();
    std::lock_guard lock(env.mutex);
    if (auto it = env.overrides.find(folded); it != env.overrides.end()) return it->second;
  }
  if (auto v = MachineVariable(folded)) return v;
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq && kestrel::codepage::FoldAnsi(std::string_view(*e, eq - *e)) == folded) return std::string(eq + 1);
  }
  return std::nullopt;
}

}  // namespace

extern "C" {

DWORD WINAPI GetLastError(void) { return t_last_error; }
void WINAPI SetLastError(DWORD code) { t_last_error = code; }

DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto value = LookUp(name);
  if (!value) {
    SetLastError(203);  // ERROR_ENVVAR_NOT_FOUND
    return 0;
  }
  return CopyOut(*value, buffer, size);
}

BOOL WINAPI SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
  if (!name || !*name || std::strchr(name, '=')) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Environment& env = environment();
  std::lock_guard lock(env.mutex);
  env.overrides[kestrel::codepage::FoldAnsi(name)] = value ? std::optional<std::string>(value) : std::nullopt;
  return TRUE;
}

DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
  if (!source) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string in(source), out;
  for (size_t i = 0; i < in.size();) {
    size_t close = in[i] == '%' ? in.find('%', i + 1) : std::string::npos;
    if (close == std::string::npos) {
      out += in[i++];
      continue;
    }
    std::string name = in.substr(i + 1, close - i - 1);
    auto value = name.empty() ? std::nullopt : LookUp(name);
    if (value) {
      out += *value;
      i = close + 1;
    } else {
      // Left as it is; the closing '%' may open the next reference.
      out += in.substr(i, close - i);
      i = close;
    }
  }
  DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (destination && size >= needed) std::memcpy(destination, out.c_str(), needed);
  return needed;
}

DWORD WINAPI GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  std::optional<std::string> path;
  for (const char* name : {"TMP", "TEMP", "USERPROFILE"})
    if ((path = LookUp(name)) && !path->empty()) break;
  if (!path || path->empty()) path = "C:\\Windows";
  if (path->back() != '\\') *path += '\\';
  return CopyOut(*path, buffer, bufferLength);
}

UINT WINAPI GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
  if (!pathName || !tempFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string base(pathName);
  if (base.empty() || base.back() != '\\') base += '\\';
  if (prefix) base += std::string(prefix).substr(0, 3);
  auto compose = [&](UINT n) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", n);
    return base + hex + ".TMP";
  };
  auto store = [&](const std::string& name) -> bool {
    if (name.size() + 1 > MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    std::memcpy(tempFileName, name.c_str(), name.size() + 1);
    return true;
  };
  if (unique != 0) return store(compose(unique & 0xFFFF)) ? unique & 0xFFFF : 0;

  UINT start = (GetTickCount() & 0xFFFF) | 1;
  UINT n = start;
  do {
    std::string name = compose(n);
    std::string native = kestrel::paths::ToNative(name).string();
    if (native.empty()) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return 0;
    }
    int fd = ::open(native.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      if (!store(name)) {
        ::unlink(native.c_str());
        return 0;
      }
      return n;
    }
    if (errno != EEXIST) {
      SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
      return 0;
    }
    n = (n + 1) & 0xFFFF;
    if (n == 0) n = 1;
  } while (n != start);
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  void* p = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return p;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

void WINAPI Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

DWORD WINAPI GetTickCount(void) {
  using namespace std::chrono;
  return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(::getpid()); }
DWORD WINAPI GetCurrentThreadId(void) { return static_cast<DWORD>(::gettid()); }

}  // extern "C"
