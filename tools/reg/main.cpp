// reg: reads and writes the registry from the command line, as the
// platform's own reg program does.
//
//   reg query KEY [/v NAME | /ve] [/s]
//   reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]
//   reg delete KEY [/v NAME | /ve | /va] [/f]
//
// Arguments, prompts and output are Windows-1252 inside and UTF-8 at the
// terminal. Exit code 0 on success, 1 on failure.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "kestrel/codepage.h"
#include "key_path.h"
#include "value_text.h"
#include "windows.h"

namespace reg {
namespace {

namespace cp = kestrel::codepage;

void Out(const std::string& ansi) { std::fputs(cp::AnsiToUtf8(ansi).c_str(), stdout); }
void Err(const std::string& ansi) { std::fputs(cp::AnsiToUtf8(ansi).c_str(), stderr); }

const char kUsage[] =
    "REG QUERY KeyName [/v ValueName | /ve] [/s]\n"
    "REG ADD KeyName [/v ValueName | /ve] [/t Type] [/d Data] [/f]\n"
    "REG DELETE KeyName [/v ValueName | /ve | /va] [/f]\n"
    "\n"
    "  KeyName    ROOTKEY\\SubKey, ROOTKEY one of HKLM, HKCU, HKCR, HKU\n"
    "             (or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS)\n"
    "  /v         the value of that name       /ve  the default value (empty name)\n"
    "  /va        all values of the key        /s   the key and all its subkeys\n"
    "  /t         REG_SZ (default), REG_EXPAND_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ\n"
    "  /d         the data: REG_DWORD in decimal or 0x hex, REG_BINARY as hex digits,\n"
    "             REG_MULTI_SZ strings separated by \\0\n"
    "  /f         do not ask before overwriting or deleting\n";

// A failure on its way out: the text after "ERROR: ".
struct Failure {
  std::string message;
};

std::string MessageOf(LONG code) {
  if (code == ERROR_FILE_NOT_FOUND) return "The system was unable to find the specified registry key or value.";
  char text[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(code), 0, text, sizeof text,
                           nullptr);
  std::string message = n ? std::string(text, n) : "Error " + std::to_string(code) + ".";
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

void Check(LONG code) {
  if (code != ERROR_SUCCESS) throw Failure{MessageOf(code)};
}

struct Options {
  std::string operation;  // QUERY, ADD, DELETE
  KeyPath key;
  std::optional<std::string> value;  // /v NAME, or "" for /ve
  bool all_values = false;           // /va
  bool recurse = false;              // /s
  bool force = false;                // /f
  std::optional<std::string> type;   // /t
  std::optional<std::string> data;   // /d
};

Failure Syntax(const std::string& operation) {
  return Failure{"Invalid syntax.\nType \"REG " + (operation.empty() ? std::string() : operation + " ") +
                 "/?\" for usage."};
}

// Nothing when usage was asked for.
std::optional<Options> Parse(const std::vector<std::string>& args) {
  Options o;
  if (args.empty()) throw Syntax("");
  o.operation = cp::FoldAnsi(args[0]);
  if (o.operation == "/?" || o.operation == "-?") return std::nullopt;
  if (o.operation != "QUERY" && o.operation != "ADD" && o.operation != "DELETE") throw Syntax("");
  if (args.size() < 2) throw Syntax(o.operation);
  if (args[1] == "/?" || args[1] == "-?") return std::nullopt;
  auto key = ParseKeyPath(args[1]);
  if (!key) throw Failure{"Invalid key name.\nType \"REG " + o.operation + " /?\" for usage."};
  o.key = *key;
  bool query = o.operation == "QUERY", add = o.operation == "ADD", del = o.operation == "DELETE";
  for (size_t i = 2; i < args.size(); ++i) {
    std::string s = cp::FoldAnsi(args[i]);
    if (s.size() > 1 && s[0] == '-') s[0] = '/';
    auto next = [&]() -> std::string {
      if (i + 1 >= args.size()) throw Syntax(o.operation);
      return args[++i];
    };
    if (s == "/?") return std::nullopt;
    if (s == "/V" && !o.value && !o.all_values) {
      o.value = next();
    } else if (s == "/VE" && !o.value && !o.all_values) {
      o.value = "";
    } else if (s == "/VA" && del && !o.value && !o.all_values) {
      o.all_values = true;
    } else if (s == "/S" && query && !o.recurse) {
      o.recurse = true;
    } else if (s == "/F" && !query && !o.force) {
      o.force = true;
    } else if (s == "/T" && add && !o.type) {
      o.type = next();
    } else if (s == "/D" && add && !o.data) {
      o.data = next();
    } else {
      throw Syntax(o.operation);
    }
  }
  if ((o.type || o.data) && !o.value) throw Syntax(o.operation);
  return o;
}

// Asks on the terminal; true for an answer of yes.
bool Confirm(const std::string& question) {
  Out(question + " (Yes/No)? ");
  std::fflush(stdout);
  std::string answer;
  if (!std::getline(std::cin, answer)) answer.clear();
  answer = cp::FoldAnsi(cp::Utf8ToAnsi(answer));
  if (!isatty(0)) Out("\n");  // a typed answer ended the line already
  return answer == "Y" || answer == "YES";
}

// An open key, closed on every way out.
class OpenKey {
 public:
  OpenKey(const KeyPath& path, REGSAM access) { Check(RegOpenKeyExA(path.root, path.subkey.c_str(), 0, access, &h_)); }
  ~OpenKey() { RegCloseKey(h_); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  operator HKEY() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
};

std::vector<Value> ValuesOf(HKEY key) {
  DWORD count = 0, longest_name = 0, longest_data = 0;
  Check(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest_name,
                         &longest_data, nullptr, nullptr));
  std::vector<Value> values;
  std::string name(longest_name + 1, '\0'), data(longest_data, '\0');
  for (DWORD i = 0;; ++i) {
    DWORD name_size = static_cast<DWORD>(name.size()), data_size = static_cast<DWORD>(data.size()), type = 0;
    LONG rc = RegEnumValueA(key, i, name.data(), &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                            &data_size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {  // changed meanwhile: make room and ask again
      name.resize(name.size() * 2 + 256);
      data.resize(std::max<size_t>(data.size() * 2, data_size));
      --i;
      continue;
    }
    Check(rc);
    values.push_back({name.substr(0, name_size), type, data.substr(0, data_size)});
  }
  return values;
}

std::vector<std::string> SubkeysOf(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    LONG rc = RegEnumKeyA(key, i, name, sizeof name);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    Check(rc);
    names.push_back(name);
  }
  return names;
}

std::string Line(const Value& v) {
  return "    " + (v.name.empty() ? std::string("(Default)") : v.name) + "    " + TypeName(v.type) + "    " +
         FormatData(v.type, v.data) + "\n";
}

// /v or /ve, in one key or (with /s) the whole subtree; returns the matches.
int QueryValue(const KeyPath& path, const std::string& name, bool recurse) {
  OpenKey key(path, KEY_READ);
  int matches = 0;
  DWORD size = 0, type = 0;
  LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    std::string data(size, '\0');
    Check(RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size));
    data.resize(size);
    Out(path.Full() + "\n" + Line({name, type, data}) + "\n");
    ++matches;
  } else if (rc != ERROR_FILE_NOT_FOUND) {
    Check(rc);
  } else if (!recurse) {
    if (!name.empty()) Check(rc);
    Out(path.Full() + "\n    (Default)    REG_SZ    (value not set)\n\n");
  }
  if (recurse)
    for (const std::string& sub : SubkeysOf(key)) matches += QueryValue(path.Child(sub), name, true);
  return matches;
}

void QueryKey(const KeyPath& path, bool recurse) {
  OpenKey key(path, KEY_READ);
  std::vector<Value> values = ValuesOf(key);
  std::vector<std::string> subkeys = SubkeysOf(key);
  if (recurse) {
    Out(path.Full() + "\n");
    for (const Value& v : values) Out(Line(v));
    Out("\n");
    for (const std::string& sub : subkeys) QueryKey(path.Child(sub), true);
    return;
  }
  if (!values.empty()) {
    Out(path.Full() + "\n");
    for (const Value& v : values) Out(Line(v));
    Out("\n");
  }
  for (const std::string& sub : subkeys) Out(path.Child(sub).Full() + "\n");
}

int Query(const Options& o) {
  { OpenKey exists(o.key, KEY_READ); }  // a missing key is an error before any output
  Out("\n");
  if (!o.value) {
    QueryKey(o.key, o.recurse);
    return 0;
  }
  int matches = QueryValue(o.key, *o.value, o.recurse);
  if (o.recurse) Out("End of search: " + std::to_string(matches) + " match(es) found.\n");
  return o.recurse && matches == 0 ? 1 : 0;
}

int Add(const Options& o) {
  DWORD type = REG_SZ;
  if (o.type) {
    auto parsed = ParseTypeName(*o.type);
    if (!parsed) throw Failure{"Invalid type.\nType \"REG ADD /?\" for usage."};
    type = *parsed;
  }
  std::optional<std::string> bytes;
  if (o.value) {
    bytes = ParseData(type, o.data.value_or(""));
    if (!bytes) throw Failure{"Invalid data for " + TypeName(type) + ".\nType \"REG ADD /?\" for usage."};
  }
  HKEY raw = nullptr;
  Check(RegCreateKeyExA(o.key.root, o.key.subkey.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_QUERY_VALUE, nullptr, &raw,
                        nullptr));
  struct Closer {
    HKEY h;
    ~Closer() { RegCloseKey(h); }
  } closer{raw};
  if (o.value) {
    const std::string& name = *o.value;
    if (!o.force && RegQueryValueExA(raw, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        !Confirm("Value " + (name.empty() ? std::string("(Default)") : name) + " exists, overwrite")) {
      Out("The operation was canceled by the user.\n");
      return 1;
    }
    Check(RegSetValueExA(raw, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes->data()),
                         static_cast<DWORD>(bytes->size())));
  }
  Out("The operation completed successfully.\n");
  return 0;
}

// Deletes a key and everything below it, deepest first.
void DeleteTree(HKEY parent, const std::string& name) {
  {
    HKEY raw = nullptr;
    Check(RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &raw));
    struct Closer {
      HKEY h;
      ~Closer() { RegCloseKey(h); }
    } closer{raw};
    char sub[256];
    while (RegEnumKeyA(raw, 0, sub, sizeof sub) == ERROR_SUCCESS) DeleteTree(raw, sub);
  }
  Check(RegDeleteKeyA(parent, name.c_str()));
}

int Delete(const Options& o) {
  if (!o.value && !o.all_values) {
    if (o.key.subkey.empty()) throw Failure{"Invalid key name.\nType \"REG DELETE /?\" for usage."};
    { OpenKey exists(o.key, KEY_READ); }
    if (!o.force && !Confirm("Permanently delete the registry key " + o.key.Full())) {
      Out("The operation was canceled by the user.\n");
      return 1;
    }
    DeleteTree(o.key.root, o.key.subkey);
  } else {
    OpenKey key(o.key, KEY_READ | KEY_SET_VALUE);
    std::string question = o.all_values ? "Delete all values under the registry key " + o.key.Full()
                                        : "Delete the registry value " + (o.value->empty() ? "(Default)" : *o.value);
    if (!o.all_values) Check(RegQueryValueExA(key, o.value->c_str(), nullptr, nullptr, nullptr, nullptr));
    if (!o.force && !Confirm(question)) {
      Out("The operation was canceled by the user.\n");
      return 1;
    }
    if (o.all_values) {
      for (const Value& v : ValuesOf(key)) Check(RegDeleteValueA(key, v.name.c_str()));
    } else {
      Check(RegDeleteValueA(key, o.value->c_str()));
    }
  }
  Out("The operation completed successfully.\n");
  return 0;
}

int Main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(cp::Utf8ToAnsi(argv[i]));
  try {
    auto options = Parse(args);
    if (!options) {
      Out(kUsage);
      return 0;
    }
    if (options->operation == "QUERY") return Query(*options);
    if (options->operation == "ADD") return Add(*options);
    return Delete(*options);
  } catch (const Failure& failure) {
    std::fflush(stdout);
    Err("ERROR: " + failure.message + "\n");
    return 1;
  }
}

}  // namespace
}  // namespace reg

int main(int argc, char** argv) { return reg::Main(argc, argv); }
