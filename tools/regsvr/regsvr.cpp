// regsvr: registers or unregisters an in-process server by calling its
// DllRegisterServer or DllUnregisterServer.
//
//   regsvr [/u] [/s] LIB
//
// LIB is a Windows path ("Z:\…\Shutterbox.so") or a Linux path. The outcome
// is reported in one line, on standard output for success and on standard
// error for a failure; /s reports nothing. Exit status: 0 success, 1 bad
// arguments, 2 the COM runtime would not start, 3 the library did not load,
// 4 it lacks the entry point, 5 the entry point reported a failure.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "com/runtime.h"
#include "windows.h"

namespace {

enum Exit { kOk = 0, kFailArgs = 1, kFailOle = 2, kFailLoad = 3, kFailEntry = 4, kFailReg = 5 };

// "/x" or "-x"; anything longer ("/home/x.so") is a path.
bool IsFlag(const char* arg) { return (arg[0] == '/' || arg[0] == '-') && arg[1] && !arg[2]; }
bool IsOption(const char* arg, char letter) {
  return IsFlag(arg) && (arg[1] == letter || arg[1] == letter - 'a' + 'A');
}

// A relative Linux path is taken from the current folder, as the loader
// would not search it.
std::string LibraryPath(const std::string& arg) {
  bool windows = arg.size() >= 2 && arg[1] == ':';
  if (windows || arg.starts_with('/')) return arg;
  return std::filesystem::absolute(arg).lexically_normal().string();
}

std::string SystemText(DWORD code) {
  char text[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                           sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false, silent = false;
  const char* lib = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (IsOption(argv[i], 'u')) {
      unregister = true;
    } else if (IsOption(argv[i], 's')) {
      silent = true;
    } else if (!lib && !IsFlag(argv[i])) {
      lib = argv[i];
    } else {
      lib = nullptr;
      break;
    }
  }
  if (!lib) {
    if (!silent) std::fprintf(stderr, "usage: regsvr [/u] [/s] LIB\n");
    return kFailArgs;
  }
  auto fail = [&](Exit code, const std::string& message) {
    if (!silent) std::fprintf(stderr, "%s\n", message.c_str());
    return code;
  };
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  if (FAILED(CoInitialize(nullptr))) return fail(kFailOle, "The COM runtime could not be started.");

  int result = kOk;
  HMODULE module = LoadLibraryA(LibraryPath(lib).c_str());
  if (!module) {
    result = fail(kFailLoad, std::string("The module \"") + lib + "\" failed to load. " + SystemText(GetLastError()));
  } else if (auto call = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, entry)); !call) {
    result = fail(kFailEntry, std::string("The module \"") + lib + "\" was loaded but the entry-point " + entry +
                                  " was not found.");
  } else if (HRESULT hr = call(); FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08x", static_cast<unsigned>(hr));
    result = fail(kFailReg, std::string("The module \"") + lib + "\" was loaded but the call to " + entry +
                                " failed with error code " + code + ".");
  } else if (!silent) {
    std::printf("%s in %s succeeded.\n", entry, lib);
  }
  if (module) FreeLibrary(module);
  CoUninitialize();
  return result;
}
