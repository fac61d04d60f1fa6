// Registry functions of the stand-in, kept in a SQLite database in the
// machine folder (registry.db).
//
// Behaviour callers rely on, as on the real platform: every function returns
// its error code and leaves GetLastError unchanged; names compare
// case-insensitively and keep their case; subkeys enumerate in
// case-insensitive name order and values in creation order (setting a value
// again keeps its place); a key with subkeys cannot be deleted
// (ERROR_ACCESS_DENIED); handles to a deleted key fail with
// ERROR_KEY_DELETED, even when a key of the same path is made again; handles
// carry their access mask. Every write is committed before the call returns;
// processes and threads may use the registry at once.
//
// Failures: out-parameters are left untouched, except that RegOpenKeyExA and
// RegCreateKeyExA set *result to NULL, and that a data buffer too small gives
// ERROR_MORE_DATA with the data size set to what is needed (RegQueryValueExA
// also tells the value's type then, as callers size their read by it). A NULL, unknown
// or closed handle, or one opened on another machine folder, is
// ERROR_INVALID_HANDLE; a NULL pointer where one is needed is
// ERROR_INVALID_PARAMETER.
//
// Paths: a leading backslash or an empty name inside ("a\\b") is
// ERROR_BAD_PATHNAME; one trailing backslash is allowed; an empty or NULL
// subkey opens the key itself again. Key names are limited to 255
// characters and value names to 16,383 (ERROR_INVALID_PARAMETER when
// creating or setting longer ones).
//
// Access: queries, RegQueryInfoKeyA and RegEnumValueA need KEY_QUERY_VALUE;
// setting and deleting values KEY_SET_VALUE; RegEnumKey(Ex)A
// KEY_ENUMERATE_SUB_KEYS; RegCreateKeyExA needs KEY_CREATE_SUB_KEY on its
// handle only when it creates a key. RegDeleteKeyA of a subkey does not
// depend on the handle's access (the subkey is opened for DELETE afresh);
// RegDeleteKeyA(key, "") deletes the handle's own key and needs DELETE on
// it. The predefined keys grant all access and can be neither closed nor
// deleted.
//
// Differences: HKEY_CURRENT_USER is a view of HKEY_USERS\<the machine's SID>
// and HKEY_CLASSES_ROOT a view of HKLM\Software\Classes only (no per-user
// classes). A machine folder marked "standard user" refuses creating keys,
// opening for write (KEY_SET_VALUE, KEY_CREATE_SUB_KEY, DELETE, ...) and
// writing or deleting under HKLM and HKCR with ERROR_ACCESS_DENIED; handles
// opened before keep what they were granted. Value data is stored as the
// bytes given, strings too, and limited to 1 MB (ERROR_INVALID_PARAMETER
// above it). A database that cannot be opened or is damaged gives
// ERROR_BADDB; one that another writer holds for more than 3 seconds, or
// that cannot be written, gives ERROR_REGISTRY_IO_FAILED, and nothing is
// half written. Keys have no class (always empty), no last-write time (zero)
// and no security descriptor; no volatile keys, links or notifications.
#pragma once

#include "win32/base.h"

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0x0
#define REG_CREATED_NEW_KEY 0x1
#define REG_OPENED_EXISTING_KEY 0x2

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000L
#define KEY_READ ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & ~SYNCHRONIZE)
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & ~SYNCHRONIZE)
#define KEY_EXECUTE (KEY_READ & ~SYNCHRONIZE)
#define KEY_ALL_ACCESS                                                                                      \
  ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | \
    KEY_NOTIFY | KEY_CREATE_LINK) &                                                                         \
   ~SYNCHRONIZE)

typedef DWORD REGSAM;
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME;

extern "C" {

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM desired,
                            const SECURITY_ATTRIBUTES* security, PHKEY result, LPDWORD disposition);
LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG WINAPI RegCloseKey(HKEY key);
LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey);
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName);
LONG WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize);
LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                          LPDWORD classSize, PFILETIME lastWriteTime);
LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize);
LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptor,
                             PFILETIME lastWriteTime);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize);
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize);

}  // extern "C"

#include "kestrel/unique_handle.h"

namespace kestrel {
struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type key) noexcept { RegCloseKey(key); }
};
// Owns an opened registry key; predefined root keys need no owner.
using UniqueHKey = UniqueHandle<RegistryKeyTraits>;
}  // namespace kestrel
