#include "resources/resource_section.h"

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "kernel/loaded_image.h"
#include "kestrel/codepage.h"

namespace kestrel::resources {
namespace {

bool ReadAt(int fd, uint64_t offset, void* buffer, size_t size) {
  auto* p = static_cast<char*>(buffer);
  while (size > 0) {
    ssize_t n = pread(fd, p, size, static_cast<off_t>(offset));
    if (n <= 0) return false;
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

// The file address and size of the allocated section ".rsrc", from the
// file's section headers.
std::optional<std::pair<uint64_t, uint64_t>> FindSection(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::pair<uint64_t, uint64_t>> found;
  Elf64_Ehdr header{};
  if (ReadAt(fd, 0, &header, sizeof header) && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
      header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_shentsize == sizeof(Elf64_Shdr) &&
      header.e_shstrndx < header.e_shnum) {
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (ReadAt(fd, header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr))) {
      const Elf64_Shdr& strings = sections[header.e_shstrndx];
      std::vector<char> names(strings.sh_size + 1, '\0');
      if (strings.sh_size < (1u << 24) && ReadAt(fd, strings.sh_offset, names.data(), strings.sh_size)) {
        for (const auto& s : sections) {
          if (s.sh_name < strings.sh_size && std::strcmp(&names[s.sh_name], ".rsrc") == 0 &&
              (s.sh_flags & SHF_ALLOC) && s.sh_type == SHT_PROGBITS) {
            found.emplace(s.sh_addr, s.sh_size);
            break;
          }
        }
      }
    }
  }
  close(fd);
  return found;
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// Reads a type or name field of an entry header at offset; advances it.
bool ReadId(std::span<const uint8_t> header, size_t& offset, ResourceId* id) {
  if (offset + 2 > header.size()) return false;
  if (Le16(&header[offset]) == 0xFFFF) {
    if (offset + 4 > header.size()) return false;
    *id = {true, Le16(&header[offset + 2]), {}};
    offset += 4;
    return true;
  }
  *id = {false, 0, {}};
  for (;;) {
    if (offset + 2 > header.size()) return false;
    char16_t c = Le16(&header[offset]);
    offset += 2;
    if (c == 0) return true;
    id->name.push_back(Upper(c));
  }
}

}  // namespace

std::optional<ResourceId> IdFrom(LPCSTR text) {
  if (IS_INTRESOURCE(text)) {
    if (!text) return std::nullopt;
    return ResourceId{true, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(text)), {}};
  }
  if (!*text) return std::nullopt;
  if (text[0] == '#') {
    unsigned long n = 0;
    const char* p = text + 1;
    for (; *p >= '0' && *p <= '9' && n <= 0xFFFF; ++p) n = n * 10 + static_cast<unsigned long>(*p - '0');
    if (p != text + 1 && !*p && n <= 0xFFFF) return ResourceId{true, static_cast<WORD>(n), {}};
  }
  ResourceId id{false, 0, codepage::FromAnsi(text)};
  for (auto& c : id.name) c = Upper(c);
  return id;
}

DWORD SectionOf(HMODULE module, std::span<const uint8_t>* out) {
  kernel::LoadedImage image;
  if (!kernel::ImageOf(module, &image)) return ERROR_INVALID_HANDLE;
  // A module's file does not change while it is loaded at one address.
  static std::mutex mutex;
  static std::map<std::pair<std::string, uintptr_t>, std::optional<std::pair<uint64_t, uint64_t>>> known;
  std::optional<std::pair<uint64_t, uint64_t>> section;
  {
    std::lock_guard lock(mutex);
    auto key = std::make_pair(image.path, image.bias);
    auto it = known.find(key);
    if (it == known.end()) it = known.emplace(key, FindSection(image.path)).first;
    section = it->second;
  }
  if (!section || section->second == 0) return ERROR_RESOURCE_DATA_NOT_FOUND;
  *out = {reinterpret_cast<const uint8_t*>(image.bias + section->first), section->second};
  return ERROR_SUCCESS;
}

DWORD FindEntry(std::span<const uint8_t> section, const ResourceId& type, const ResourceId& name,
                std::span<const uint8_t>* out) {
  bool type_seen = false;
  size_t offset = 0;
  while (offset + 8 <= section.size()) {
    uint32_t data_size = Le32(&section[offset]);
    uint32_t header_size = Le32(&section[offset + 4]);
    if (header_size < 32 || header_size > section.size() - offset ||
        data_size > section.size() - offset - header_size)
      break;
    std::span<const uint8_t> header = section.subspan(offset, header_size);
    size_t field = 8;
    ResourceId entry_type, entry_name;
    if (!ReadId(header, field, &entry_type) || !ReadId(header, field, &entry_name)) break;
    if (entry_type == type) {
      type_seen = true;
      if (entry_name == name) {
        *out = section.subspan(offset + header_size, data_size);
        return ERROR_SUCCESS;
      }
    }
    offset += (static_cast<size_t>(header_size) + data_size + 3) & ~size_t(3);
  }
  return type_seen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
}

}  // namespace kestrel::resources
