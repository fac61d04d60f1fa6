// rescomp: compiles icons and data files into a resource file (.res).
//
//   rescomp OUT.res [ICON id FILE.ico | DATA type id FILE]...
//
// Every image of an .ico file becomes an RT_ICON resource, numbered from 1
// across the whole file, and the icon itself an RT_GROUP_ICON resource of
// the given id whose directory names them. DATA stores a file's bytes as
// they are. Numbers are 1 to 65535.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kIcon = 3, kGroupIcon = 14;
constexpr uint16_t kEnglishUs = 0x0409;

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
uint16_t Get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | static_cast<uint32_t>(Get16(b, at + 2)) << 16; }

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "rescomp: %s\n", message.c_str());
  std::exit(1);
}

// An entry: header (sizes, numeric type and name, data version, memory
// flags, language, version, characteristics), data, padding to 4 bytes.
void Entry(Bytes& out, uint16_t type, uint16_t name, uint16_t memory_flags, const Bytes& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  Put32(out, 32);
  Put16(out, 0xFFFF);
  Put16(out, type);
  Put16(out, 0xFFFF);
  Put16(out, name);
  Put32(out, 0);
  Put16(out, memory_flags);
  Put16(out, type == 0 ? 0 : kEnglishUs);
  Put32(out, 0);
  Put32(out, 0);
  out.insert(out.end(), data.begin(), data.end());
  while (out.size() % 4) out.push_back(0);
}

Bytes Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint16_t Number(const std::string& text) {
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || n < 1 || n > 0xFFFF) Fail("not a resource number: " + text);
  return static_cast<uint16_t>(n);
}

void Icon(Bytes& out, uint16_t id, const std::string& path, uint16_t& next_image) {
  Bytes file = Read(path);
  if (file.size() < 6 || Get16(file, 0) != 0 || Get16(file, 2) != 1 || Get16(file, 4) == 0)
    Fail(path + ": not an icon file");
  size_t count = Get16(file, 4);
  if (file.size() < 6 + 16 * count) Fail(path + ": truncated icon directory");
  Bytes group;
  Put16(group, 0);
  Put16(group, 1);
  Put16(group, static_cast<uint32_t>(count));
  for (size_t i = 0; i < count; ++i) {
    size_t entry = 6 + 16 * i;
    uint32_t size = Get32(file, entry + 8), offset = Get32(file, entry + 12);
    if (offset > file.size() || size > file.size() - offset) Fail(path + ": image outside the file");
    if (next_image == 0xFFFF) Fail("too many icon images");
    uint16_t image_id = next_image++;
    Entry(out, kIcon, image_id, 0x1010, Bytes(file.begin() + offset, file.begin() + offset + size));
    group.insert(group.end(), file.begin() + entry, file.begin() + entry + 12);
    Put16(group, image_id);
  }
  Entry(out, kGroupIcon, id, 0x1030, group);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) Fail("usage: rescomp OUT.res [ICON id FILE.ico | DATA type id FILE]...");
  Bytes out;
  Entry(out, 0, 0, 0, {});
  uint16_t next_image = 1;
  for (int i = 2; i < argc;) {
    std::string kind = argv[i];
    if (kind == "ICON" && i + 2 < argc) {
      Icon(out, Number(argv[i + 1]), argv[i + 2], next_image);
      i += 3;
    } else if (kind == "DATA" && i + 3 < argc) {
      Entry(out, Number(argv[i + 1]), Number(argv[i + 2]), 0x0030, Read(argv[i + 3]));
      i += 4;
    } else {
      Fail("bad arguments at " + kind);
    }
  }
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  file.close();
  if (!file) Fail(std::string("cannot write ") + argv[1]);
  return 0;
}
