#include "CRegistry.h"

#include <cstring>
#include <stdexcept>

#include "kestrel/codepage.h"
#include "kestrel/component_error.h"
#include "kestrel/module.h"
#include "windows.h"

using kestrel::ComponentError;
using kestrel::UniqueHKey;
using kestrel::Variant;
namespace cp = kestrel::codepage;

namespace {

constexpr REGSAM kAccessWrite = 0x3F;
constexpr REGSAM kAccessEnumerate = KEY_ENUMERATE_SUB_KEYS;
constexpr REGSAM kAccessQuery = KEY_QUERY_VALUE;

// Marks this module, so that the error source names the deliverable that
// CRegistry is linked into.
void ModuleMarker() {}

std::u16string ErrorSource() {
  static const std::u16string source =
      cp::FromAnsi(kestrel::module::NameContaining(reinterpret_cast<const void*>(&ModuleMarker))) + u".CRegistry";
  return source;
}

[[noreturn]] void Raise(int32_t number, const char16_t* description) {
  throw ComponentError(number, ErrorSource(), description);
}

void RequireKeyName(const std::u16string& keyName) {
  if (keyName.empty()) Raise(CRegistry::kInvalidKeyName, u"Invalid KeyName value");
}

// The common frame: anything unexpected inside body becomes "CRegistry
// component failure"; keys held by body close on the way out.
template <class Body>
auto Trapped(Body body) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    Raise(CRegistry::kComponentFailure, u"CRegistry component failure");
  }
}

HKEY AsKey(int32_t root) { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(root))); }

std::string Ansi(const std::u16string& text) { return cp::ToAnsi(text); }

// The size query of GetValue and ValueType: data points to a 4-byte zero,
// size starts at 0. Returns the call's result.
LONG QuerySize(HKEY key, const std::string& valueName, DWORD& type, DWORD& size) {
  DWORD zero = 0;
  size = 0;
  return RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&zero), &size);
}

}  // namespace

CRegistry::CRegistry() : m_RootKey(static_cast<int32_t>(0x80000000u)) {}

void CRegistry::Init(int32_t RootKey) { m_RootKey = RootKey; }
int32_t CRegistry::RootKey() const { return m_RootKey; }
void CRegistry::RootKey(int32_t eKey) { m_RootKey = eKey; }

bool CRegistry::CreateKey(const std::u16string& KeyName) {
  RequireKeyName(KeyName);
  return Trapped([&] {
    UniqueHKey key;
    DWORD disposition = 0;
    char keyClass[1] = "";
    return RegCreateKeyExA(AsKey(m_RootKey), Ansi(KeyName).c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE,
                           kAccessWrite, nullptr, key.put(), &disposition) == ERROR_SUCCESS;
  });
}

bool CRegistry::DeleteKey(const std::u16string& KeyName) {
  RequireKeyName(KeyName);
  return Trapped([&] { return RegDeleteKeyA(AsKey(m_RootKey), Ansi(KeyName).c_str()) == ERROR_SUCCESS; });
}

bool CRegistry::DeleteValue(const std::u16string& KeyName, const std::u16string& ValueName) {
  RequireKeyName(KeyName);
  return Trapped([&] {
    UniqueHKey key;
    if (RegOpenKeyExA(AsKey(m_RootKey), Ansi(KeyName).c_str(), 0, kAccessWrite, key.put()) != ERROR_SUCCESS)
      return false;
    return RegDeleteValueA(key.get(), Ansi(ValueName).c_str()) == ERROR_SUCCESS;
  });
}

bool CRegistry::KeyExists(const std::u16string& KeyName) {
  RequireKeyName(KeyName);
  return Trapped([&] {
    UniqueHKey key;
    return RegOpenKeyExA(AsKey(m_RootKey), Ansi(KeyName).c_str(), 0, kAccessQuery, key.put()) == ERROR_SUCCESS;
  });
}

int32_t CRegistry::GetAllSubKeys(const std::u16string& KeyName, std::vector<std::u16string>& SubKeys) {
  return Trapped([&] {
    SubKeys.clear();
    int32_t count = 0;
    UniqueHKey key;
    LONG ret = RegOpenKeyExA(AsKey(m_RootKey), Ansi(KeyName).c_str(), 0, kAccessEnumerate, key.put());
    for (DWORD index = 0; ret == ERROR_SUCCESS; ++index) {
      char buffer[256] = {};
      ret = RegEnumKeyA(key.get(), index, buffer, sizeof buffer);
      if (ret == ERROR_SUCCESS) {
        ++count;
        SubKeys.push_back(cp::FromAnsi(std::string_view(buffer, strnlen(buffer, sizeof buffer))));
      }
    }
    return count;
  });
}

int32_t CRegistry::GetAllValueNames(const std::u16string& KeyName, std::vector<std::u16string>& ValueNames) {
  return Trapped([&] {
    ValueNames.clear();
    int32_t count = 0;
    UniqueHKey key;
    if (RegOpenKeyExA(AsKey(m_RootKey), Ansi(KeyName).c_str(), 0, kAccessQuery, key.put()) != ERROR_SUCCESS)
      return 0;
    DWORD subKeys = 0, maxSubKey = 0, maxClass = 0, values = 0, longest = 0, maxValue = 0, security = 0;
    FILETIME written{};
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, &maxSubKey, &maxClass, &values, &longest,
                         &maxValue, &security, &written) != ERROR_SUCCESS)
      return 0;
    LONG ret = ERROR_SUCCESS;
    for (DWORD index = 0; ret == ERROR_SUCCESS; ++index) {
      std::string buffer(longest + 1, '\0');
      DWORD size = longest + 1;
      ret = RegEnumValueA(key.get(), index, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr);
      if (ret == ERROR_SUCCESS) {
        ++count;
        ValueNames.push_back(cp::FromAnsi(std::string_view(buffer).substr(0, size)));
      }
    }
    return count;
  });
}

Variant CRegistry::GetValue(const std::u16string& KeyName, const std::u16string& ValueName, const Variant& Default) {
  return Trapped([&]() -> Variant {
    UniqueHKey key;
    RegOpenKeyExA(AsKey(m_RootKey), Ansi(KeyName).c_str(), 0, kAccessQuery, key.put());
    const std::string name = Ansi(ValueName);
    DWORD type = 0, size = 0;
    LONG ret = QuerySize(key.get(), name, type, size);
    if (ret != ERROR_SUCCESS && ret != ERROR_MORE_DATA) return Default;
    switch (type) {
      case REG_SZ:
      case REG_EXPAND_SZ:
      case REG_MULTI_SZ: {
        // The data without its final terminator; zero bytes cannot be read.
        if (size == 0) throw std::length_error("buffer size -1");
        std::string buffer(size, '\0');
        RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
        buffer.resize(buffer.size() - 1);
        std::u16string text = cp::FromAnsi(buffer);
        return type == REG_EXPAND_SZ ? ExpandString(text) : text;
      }
      case REG_DWORD:
      case REG_DWORD_BIG_ENDIAN: {
        int32_t value = 0;
        DWORD room = sizeof value;
        RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &room);
        return type == REG_DWORD_BIG_ENDIAN ? SwapByteOrder(value) : value;
      }
      default: {
        Variant::ByteArray bytes(size);
        RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, bytes.data(), &size);
        return bytes;
      }
    }
  });
}

bool CRegistry::SetValue(const std::u16string& KeyName, const std::u16string& ValueName, const Variant& Value,
                         int32_t ValueType) {
  RequireKeyName(KeyName);
  return Trapped([&] {
    UniqueHKey key;
    DWORD disposition = 0;
    char keyClass[1] = "";
    if (RegCreateKeyExA(AsKey(m_RootKey), Ansi(KeyName).c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, kAccessWrite,
                        nullptr, key.put(), &disposition) != ERROR_SUCCESS)
      return false;
    const std::string name = Ansi(ValueName);
    LONG ret = ERROR_SUCCESS;
    switch (ValueType) {
      case REG_SZ:
      case REG_EXPAND_SZ: {
        std::u16string text = Value.ToText();
        size_t first = text.find(u'%');
        DWORD type = first != std::u16string::npos && text.find(u'%', first + 2) != std::u16string::npos
                         ? REG_EXPAND_SZ
                         : REG_SZ;
        std::string data = Ansi(text);  // an empty text is written as one zero byte
        ret = RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1));
        break;
      }
      case REG_BINARY:
        if (Value.IsByteArray())
          ret = RegSetValueExA(key.get(), name.c_str(), 0, REG_BINARY, Value.Bytes().data(),
                               static_cast<DWORD>(Value.Bytes().size()));
        break;
      case REG_DWORD:
      case REG_DWORD_BIG_ENDIAN:
        if (Value.IsInteger()) {
          int32_t number = Value.ToInt32();
          ret = RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                               sizeof number);
        }
        break;
      default:
        ret = ERROR_INVALID_DATA;
    }
    return ret == ERROR_SUCCESS;
  });
}

int32_t CRegistry::ValueType(const std::u16string& KeyName, const std::u16string& ValueName) {
  RequireKeyName(KeyName);
  return Trapped([&]() -> int32_t {
    UniqueHKey key;
    RegOpenKeyExA(AsKey(m_RootKey), Ansi(KeyName).c_str(), 0, kAccessQuery, key.put());
    DWORD type = 0, size = 0;
    LONG ret = QuerySize(key.get(), Ansi(ValueName), type, size);
    return ret == ERROR_SUCCESS || ret == ERROR_MORE_DATA ? static_cast<int32_t>(type) : 0;
  });
}

std::u16string CRegistry::ExpandString(const std::u16string& text) {
  std::string source = Ansi(text);
  char empty[1] = "";
  DWORD needed = ExpandEnvironmentStringsA(source.c_str(), empty, 0);
  if (needed == 0) throw std::runtime_error("cannot expand");
  std::string buffer(needed, '\0');
  ExpandEnvironmentStringsA(source.c_str(), buffer.data(), needed);
  buffer.resize(needed - 1);
  return cp::FromAnsi(buffer);
}

int32_t CRegistry::SwapByteOrder(int32_t x) {
  uint32_t u = static_cast<uint32_t>(x);
  return static_cast<int32_t>((u >> 24) | ((u >> 8) & 0xFF00u) | ((u << 8) & 0xFF0000u) | (u << 24));
}
