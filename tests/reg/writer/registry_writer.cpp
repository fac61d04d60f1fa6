// registry_writer KEY PREFIX COUNT: sets the REG_DWORD values PREFIX0 ...
// under HKEY_CURRENT_USER\KEY, each holding its index, and writes the index to
// stdout once RegSetValueExA has returned. Exit 0 when all are written, 2 on
// the first failure.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "windows.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HKEY key = nullptr;
  if (LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, argv[1], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)) {
    std::fprintf(stderr, "create: %d\n", rc);
    return 2;
  }
  long count = std::atol(argv[3]);
  for (DWORD i = 0; i < static_cast<DWORD>(count); ++i) {
    std::string name = argv[2] + std::to_string(i);
    if (LONG rc = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), sizeof i)) {
      std::fprintf(stderr, "set %u: %d\n", i, rc);
      return 2;
    }
    std::string line = std::to_string(i) + "\n";
    if (write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 2;
  }
  RegCloseKey(key);
  return 0;
}
