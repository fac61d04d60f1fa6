// Windows paths on Linux.
//
// The system's code speaks Windows paths: "\" separators, drive letters, a
// trailing backslash on folders. The stand-in maps two drives:
//   C:\…  →  <machine folder>/drive_c/…   (C:\Temp is the temporary folder)
//   Z:\…  →  /…                           (the whole Linux file system)
// Drive letters compare case-insensitively; file names keep their case and,
// on the Linux side, are case-sensitive. Paths are converted to native form
// only where a native library or the file system is called.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kestrel::paths {

// The Linux path of a Windows path such as "C:\Temp\a.bmp" or "Z:\home\x".
// A path that is already native ("/home/x") is returned as it is. Empty for
// a relative path or a drive that is not mapped.
std::filesystem::path ToNative(const std::string& windowsPath);

// The Windows path of a Linux path: inside drive C's folder → "C:\…",
// anywhere else → "Z:\…". Relative paths are made absolute first.
std::string FromNative(const std::filesystem::path& nativePath);

// The folder drive C: maps to.
std::filesystem::path DriveC();

}  // namespace kestrel::paths
