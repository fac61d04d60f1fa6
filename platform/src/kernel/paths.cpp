#include "kestrel/paths.h"

#include "kestrel/machine.h"

namespace kestrel::paths {
namespace fs = std::filesystem;

fs::path DriveC() { return machine::Home() / "drive_c"; }

fs::path ToNative(const std::string& windowsPath) {
  if (windowsPath.starts_with('/')) return fs::path(windowsPath);
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return {};
  fs::path root;
  switch (windowsPath[0]) {
    case 'c': case 'C': root = DriveC(); break;
    case 'z': case 'Z': root = "/"; break;
    default: return {};
  }
  std::string rest = windowsPath.substr(2);
  for (char& c : rest)
    if (c == '\\') c = '/';
  while (rest.starts_with('/')) rest.erase(0, 1);
  return rest.empty() ? root : root / rest;
}

std::string FromNative(const fs::path& nativePath) {
  fs::path path = fs::absolute(nativePath).lexically_normal();
  fs::path drive_c = DriveC().lexically_normal();
  std::string drive = "Z:";
  fs::path rel = path.relative_path();
  fs::path inside = path.lexically_relative(drive_c);
  if (!inside.empty() && *inside.begin() != "..") {
    drive = "C:";
    rel = inside == "." ? fs::path() : inside;
  }
  std::string out = drive + "\\" + rel.string();
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

}  // namespace kestrel::paths
