#include "value_text.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "kestrel/codepage.h"

namespace reg {
namespace {

struct TypeEntry {
  DWORD type;
  const char* name;
  bool accepted;  // by reg add
};

const TypeEntry kTypes[] = {
    {REG_NONE, "REG_NONE", false},         {REG_SZ, "REG_SZ", true},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ", true}, {REG_BINARY, "REG_BINARY", true},
    {REG_DWORD, "REG_DWORD", true},         {REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN", false},
    {REG_LINK, "REG_LINK", false},         {REG_MULTI_SZ, "REG_MULTI_SZ", true},
    {REG_QWORD, "REG_QWORD", false},
};

std::string Hex(const std::string& bytes) {
  std::string out;
  char pair[3];
  for (unsigned char b : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    out += pair;
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<DWORD> ParseDword(const std::string& text) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  std::string digits = hex ? text.substr(2) : text;
  if (digits.empty()) return std::nullopt;
  unsigned long long value = 0;
  for (char c : digits) {
    int d = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (d < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<DWORD>(value);
}

}  // namespace

std::string TypeName(DWORD type) {
  for (const TypeEntry& t : kTypes)
    if (t.type == type) return t.name;
  return "REG_UNKNOWN";
}

std::optional<DWORD> ParseTypeName(const std::string& name) {
  std::string folded = kestrel::codepage::FoldAnsi(name);
  for (const TypeEntry& t : kTypes)
    if (t.accepted && folded == t.name) return t.type;
  return std::nullopt;
}

std::optional<std::string> ParseData(DWORD type, const std::string& text) {
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return text + '\0';
    case REG_MULTI_SZ: {
      std::string out;
      size_t start = 0;
      while (start <= text.size()) {
        size_t end = text.find("\\0", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out += text.substr(start, end - start) + '\0';
        start = end + 2;
      }
      return out + '\0';
    }
    case REG_DWORD: {
      if (text.empty()) return std::string(4, '\0');
      auto value = ParseDword(text);
      if (!value) return std::nullopt;
      std::string out(4, '\0');
      std::memcpy(out.data(), &*value, 4);  // little-endian, as the platform stores it
      return out;
    }
    case REG_BINARY: {
      if (text.size() % 2) return std::nullopt;
      std::string out;
      for (size_t i = 0; i < text.size(); i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
      }
      return out;
    }
    default:
      return std::nullopt;
  }
}

std::string FormatData(DWORD type, const std::string& bytes) {
  char number[24];
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_LINK:
      return bytes.substr(0, bytes.find('\0'));
    case REG_MULTI_SZ: {
      std::string out;
      for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        if (end == start) break;  // the empty string that closes the list
        if (!out.empty()) out += "\\0";
        out += bytes.substr(start, end - start);
        start = end + 1;
      }
      return out;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
      if (bytes.size() == 4) {
        auto b = [&](int i) { return static_cast<DWORD>(static_cast<unsigned char>(bytes[i])); };
        DWORD value = type == REG_DWORD ? b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24
                                        : b(3) | b(2) << 8 | b(1) << 16 | b(0) << 24;
        std::snprintf(number, sizeof number, "0x%x", value);
        return number;
      }
      return Hex(bytes);
    case REG_QWORD:
      if (bytes.size() == 8) {
        unsigned long long value = 0;
        for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
        std::snprintf(number, sizeof number, "0x%llx", value);
        return number;
      }
      return Hex(bytes);
    default:
      return Hex(bytes);
  }
}

}  // namespace reg
