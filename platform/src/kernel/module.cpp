#include "kestrel/module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

namespace kestrel::module {

namespace {

// The address at which the main program's first segment is mapped: the
// first object that dl_iterate_phdr reports is the main program.
const void* MainProgramBase() {
  const void* base = nullptr;
  dl_iterate_phdr(
      [](struct dl_phdr_info* info, size_t, void* out) {
        ElfW(Addr) lowest = ~ElfW(Addr)(0);
        for (int i = 0; i < info->dlpi_phnum; ++i)
          if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest)
            lowest = info->dlpi_phdr[i].p_vaddr;
        *static_cast<const void**>(out) = reinterpret_cast<const void*>(info->dlpi_addr + (lowest & ~ElfW(Addr)(0xFFF)));
        return 1;
      },
      &base);
  return base;
}

}  // namespace

std::string PathContaining(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return {};
  if (info.dli_fbase == MainProgramBase() || !*info.dli_fname) {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
  }
  std::error_code ec;
  auto canonical = std::filesystem::weakly_canonical(info.dli_fname, ec);
  return ec ? std::string(info.dli_fname) : canonical.string();
}

std::string NameContaining(const void* address) {
  return std::filesystem::path(PathContaining(address)).stem().string();
}

}  // namespace kestrel::module
