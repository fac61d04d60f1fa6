// Helpers of the registry tests: an owned key and a buffer with guard bytes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windows.h"

namespace kestrel::test {

// A key handle closed when it goes out of scope.
struct Key {
  HKEY h = nullptr;
  Key() = default;
  Key(Key&& other) noexcept : h(other.h) { other.h = nullptr; }
  Key& operator=(Key&&) = delete;
  ~Key() {
    if (h) RegCloseKey(h);
  }
  HKEY* out() { return &h; }
  operator HKEY() const { return h; }
};

inline Key Create(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS) {
  Key key;
  EXPECT_EQ(RegCreateKeyExA(parent, path, 0, nullptr, 0, access, nullptr, key.out(), nullptr), ERROR_SUCCESS) << path;
  return key;
}

inline Key Open(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS) {
  Key key;
  EXPECT_EQ(RegOpenKeyExA(parent, path, 0, access, key.out()), ERROR_SUCCESS) << path;
  return key;
}

inline LONG SetString(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

// The bytes of a value, or the error code as text.
inline std::string Read(HKEY key, const char* name) {
  DWORD size = 0;
  if (LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size)) return "error " + std::to_string(rc);
  std::string bytes(size, '\0');
  if (LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()), &size))
    return "error " + std::to_string(rc);
  bytes.resize(size);
  return bytes;
}

// A buffer for the registry to fill, with guard bytes before and after it;
// every byte starts as kFill so that what was written can be told.
class GuardedBuffer {
 public:
  static constexpr unsigned char kFill = 0xCD;
  static constexpr size_t kGuard = 16;
  explicit GuardedBuffer(size_t size) : bytes_(size + 2 * kGuard, kFill), size_(size) {}
  LPBYTE data() { return bytes_.data() + kGuard; }
  LPSTR text() { return reinterpret_cast<LPSTR>(data()); }
  DWORD size() const { return static_cast<DWORD>(size_); }
  std::string Head(size_t n) const { return std::string(bytes_.begin() + kGuard, bytes_.begin() + kGuard + n); }
  // True when nothing before the buffer and nothing from offset on (the
  // rest of the buffer and the guard after it) was written.
  bool UntouchedFrom(size_t offset) const {
    for (size_t i = 0; i < bytes_.size(); ++i)
      if ((i < kGuard || i >= kGuard + offset) && bytes_[i] != kFill) return false;
    return true;
  }

 private:
  std::vector<unsigned char> bytes_;
  size_t size_;
};

}  // namespace kestrel::test
