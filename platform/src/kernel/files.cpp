// File functions over Windows paths.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "kestrel/paths.h"
#include "windows.h"

namespace {

DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EINVAL: return ERROR_INVALID_NAME;
    default: return ERROR_ACCESS_DENIED;
  }
}

// The native path, or "" with ERROR_PATH_NOT_FOUND set.
std::string Native(LPCSTR path) {
  std::string native = path ? kestrel::paths::ToNative(path).string() : std::string();
  if (native.empty()) SetLastError(ERROR_PATH_NOT_FOUND);
  return native;
}

}  // namespace

extern "C" {

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  std::string native = Native(fileName);
  if (native.empty()) return FALSE;
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::unlink(native.c_str()) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
  std::string from = Native(existingFileName), to = Native(newFileName);
  if (from.empty() || to.empty()) return FALSE;
  struct stat st {};
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && ::stat(to.c_str(), &st) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  std::string native = Native(fileName);
  if (native.empty()) return INVALID_FILE_ATTRIBUTES;
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, void*) {
  std::string native = Native(pathName);
  if (native.empty()) return FALSE;
  if (::mkdir(native.c_str(), 0755) != 0) {
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"
