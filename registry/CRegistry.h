// CRegistry: the one way in which the system reads and writes the registry.
//
// An instance works under one predefined root key at a time (HKEY_CLASSES_ROOT
// until Init is called); every member takes a key path relative to it and
// closes every key it opens before it returns. Ordinary outcomes (a missing
// key or value, access denied) are results: false, 0, an empty list or the
// caller's Default. Errors are raised as kestrel::ComponentError with the
// source "<running deliverable>.CRegistry":
//   0x80044651 "Invalid KeyName value"        an empty KeyName where one is required
//   0x80044653 "CRegistry component failure"  any unexpected failure inside a member
//
// The arrays that GetAllSubKeys and GetAllValueNames fill hold element i of
// the list (counted from 1) at position i - 1; they are emptied first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "com/variant.h"

class CRegistry {
 public:
  static constexpr int32_t kInvalidKeyName = static_cast<int32_t>(0x80044651u);
  static constexpr int32_t kComponentFailure = static_cast<int32_t>(0x80044653u);

  CRegistry();

  void Init(int32_t RootKey);
  int32_t RootKey() const;
  void RootKey(int32_t eKey);

  // True when the key exists afterwards (created or opened).
  bool CreateKey(const std::u16string& KeyName);
  // True when the key was deleted; a key with subkeys is not.
  bool DeleteKey(const std::u16string& KeyName);
  bool DeleteValue(const std::u16string& KeyName, const std::u16string& ValueName);
  // An empty KeyName lists the root key itself.
  int32_t GetAllSubKeys(const std::u16string& KeyName, std::vector<std::u16string>& SubKeys);
  int32_t GetAllValueNames(const std::u16string& KeyName, std::vector<std::u16string>& ValueNames);
  // Text (REG_SZ, REG_EXPAND_SZ expanded, REG_MULTI_SZ raw), a 32-bit integer
  // (REG_DWORD, REG_DWORD_BIG_ENDIAN swapped) or a byte array (any other
  // type); Default when the value cannot be read. An empty ValueName names
  // the key's default value; an empty KeyName the root key.
  kestrel::Variant GetValue(const std::u16string& KeyName, const std::u16string& ValueName,
                            const kestrel::Variant& Default);
  bool KeyExists(const std::u16string& KeyName);
  // ValueType 1 or 2 writes text (REG_EXPAND_SZ only when the text holds two
  // '%' with a character between them), 3 a byte array, 4 or 5 an integer as
  // REG_DWORD. A Value of the wrong kind for 3 to 5 writes nothing and counts
  // as success; any other ValueType fails.
  bool SetValue(const std::u16string& KeyName, const std::u16string& ValueName, const kestrel::Variant& Value,
                int32_t ValueType);
  // The value's type code, 0 when it cannot be read.
  int32_t ValueType(const std::u16string& KeyName, const std::u16string& ValueName);

 private:
  std::u16string ExpandString(const std::u16string& text);
  static int32_t SwapByteOrder(int32_t x);

  int32_t m_RootKey;
};
