// Loaded modules and system error texts.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "kernel/loaded_image.h"
#include "kestrel/module.h"
#include "kestrel/paths.h"
#include "windows.h"

namespace {

// Module handles are small numbers standing for dlopen handles, so that
// they fit in 32 bits like every other handle of the stand-in.
struct ModuleTable {
  std::mutex mutex;
  std::map<void*, uintptr_t> ids;
  std::map<uintptr_t, void*> handles;
  uintptr_t next = 0x10000;

  HMODULE IdOf(void* dl) {
    std::lock_guard lock(mutex);
    auto it = ids.find(dl);
    if (it != ids.end()) return reinterpret_cast<HMODULE>(it->second);
    uintptr_t id = next;
    next += 4;
    ids[dl] = id;
    handles[id] = dl;
    return reinterpret_cast<HMODULE>(id);
  }
  void* HandleOf(HMODULE module) {
    std::lock_guard lock(mutex);
    auto it = handles.find(reinterpret_cast<uintptr_t>(module));
    return it == handles.end() ? nullptr : it->second;
  }
};

ModuleTable& modules() {
  static ModuleTable table;
  return table;
}

const char* SystemMessage(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_INVALID_FUNCTION: return "Incorrect function.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory resources are available to process this command.";
    case ERROR_INVALID_DATA: return "The data is invalid.";
    case ERROR_OUTOFMEMORY: return "Not enough memory resources are available to complete this operation.";
    case ERROR_WRITE_PROTECT: return "The media is write protected.";
    case ERROR_LOCK_VIOLATION:
      return "The process cannot access the file because another process has locked a portion of the file.";
    case ERROR_FILE_EXISTS: return "The file exists.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_INSUFFICIENT_BUFFER: return "The data area passed to a system call is too small.";
    case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_MOD_NOT_FOUND: return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND: return "The specified procedure could not be found.";
    case ERROR_BAD_PATHNAME: return "The specified path is invalid.";
    case ERROR_BUSY: return "The requested resource is in use.";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
    case ERROR_BAD_EXE_FORMAT: return "The file is not a valid application.";
    case ERROR_FILENAME_EXCED_RANGE: return "The filename or extension is too long.";
    case ERROR_MORE_DATA: return "More data is available.";
    case ERROR_NO_MORE_ITEMS: return "No more data is available.";
    case ERROR_BADDB: return "The configuration registry database is corrupt.";
    case ERROR_BADKEY: return "The configuration registry key is invalid.";
    case ERROR_CANTOPEN: return "The configuration registry key could not be opened.";
    case ERROR_CANTREAD: return "The configuration registry key could not be read.";
    case ERROR_CANTWRITE: return "The configuration registry key could not be written.";
    case ERROR_REGISTRY_IO_FAILED:
      return "An I/O operation initiated by the registry failed unrecoverably. The registry could not read in, or "
             "write out, or flush, one of the files that contain the system's image of the registry.";
    case ERROR_KEY_DELETED: return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case ERROR_INVALID_WINDOW_HANDLE: return "Invalid window handle.";
    case ERROR_INVALID_MENU_HANDLE: return "Invalid menu handle.";
    case ERROR_CLASS_ALREADY_EXISTS: return "Class already exists.";
    case ERROR_CLASS_DOES_NOT_EXIST: return "Class does not exist.";
    case ERROR_TIMEOUT: return "This operation returned because the timeout period expired.";
    case ERROR_INVALID_CURSOR_HANDLE: return "Invalid cursor handle.";
    case ERROR_RESOURCE_DATA_NOT_FOUND: return "The specified image file did not contain a resource section.";
    case ERROR_RESOURCE_TYPE_NOT_FOUND: return "The specified resource type cannot be found in the image file.";
    case ERROR_RESOURCE_NAME_NOT_FOUND: return "The specified resource name cannot be found in the image file.";
    case ERROR_RESOURCE_LANG_NOT_FOUND:
      return "The specified resource language ID cannot be found in the image file.";
    default: return nullptr;
  }
}

std::string MainProgramPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

}  // namespace

namespace kestrel::kernel {

bool ImageOf(HMODULE module, LoadedImage* out) {
  void* dl = module ? modules().HandleOf(module) : dlopen(nullptr, RTLD_NOW);
  if (!dl) return false;
  struct link_map* map = nullptr;
  bool ok = dlinfo(dl, RTLD_DI_LINKMAP, &map) == 0 && map;
  if (ok) {
    out->bias = map->l_addr;
    out->path = map->l_name && *map->l_name ? map->l_name : MainProgramPath();
  }
  if (!module) dlclose(dl);
  return ok;
}

}  // namespace kestrel::kernel

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string native = kestrel::paths::ToNative(fileName).string();
  if (native.empty()) native = fileName;  // a bare library name: the loader's search
  void* dl = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!dl) {
    struct stat st {};
    bool is_path = native.find('/') != std::string::npos;
    SetLastError(is_path && ::stat(native.c_str(), &st) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return modules().IdOf(dl);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  void* dl = modules().HandleOf(module);
  if (!dl) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  dlclose(dl);
  return TRUE;
}

void* WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  void* dl = modules().HandleOf(module);
  if (!dl) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* p = procName ? dlsym(dl, procName) : nullptr;
  if (!p) SetLastError(ERROR_PROC_NOT_FOUND);
  return p;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, moduleName, &module);
  return module;
}

BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) {
  if (!module) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  void* dl = nullptr;
  if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    Dl_info info{};
    struct link_map* map = nullptr;
    if (moduleName && dladdr1(moduleName, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) && map)
      dl = map->l_name && *map->l_name ? dlopen(map->l_name, RTLD_NOW | RTLD_NOLOAD) : dlopen(nullptr, RTLD_NOW);
  } else if (!moduleName) {
    dl = dlopen(nullptr, RTLD_NOW);
  } else {
    std::string native = kestrel::paths::ToNative(moduleName).string();
    dl = dlopen(native.empty() ? moduleName : native.c_str(), RTLD_NOW | RTLD_NOLOAD);
  }
  if (!dl) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) dlclose(dl);
  *module = modules().IdOf(dl);
  return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  std::string path;
  void* dl = module ? modules().HandleOf(module) : dlopen(nullptr, RTLD_NOW);
  if (!dl) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!module) {
    path = kestrel::module::PathContaining(nullptr);
    dlclose(dl);
  } else {
    struct link_map* map = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name) path = map->l_name;
  }
  if (path.empty()) {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) path.assign(buf, static_cast<size_t>(n));
  }
  std::string windows = kestrel::paths::FromNative(path);
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Truncated to the buffer, terminated, as the real function does.
  DWORD n = static_cast<DWORD>(std::min<size_t>(windows.size(), size - 1));
  std::memcpy(fileName, windows.data(), n);
  fileName[n] = '\0';
  if (windows.size() >= size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  return n;
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, void*) {
  const char* text = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? SystemMessage(messageId) : nullptr;
  if (!text) {
    SetLastError(317);  // ERROR_MR_MID_NOT_FOUND
    return 0;
  }
  std::string message = std::string(text) + "\r\n";
  if (!buffer || size < message.size() + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, message.c_str(), message.size() + 1);
  return static_cast<DWORD>(message.size());
}

}  // extern "C"
