// Kernel functions of the stand-in: last error, temporary files, the
// environment, local memory, sleeping, processes and modules.
//
// Differences from the real platform: paths are Windows paths on drives that
// map onto Linux folders (see kestrel/paths.h). The environment seen by
// GetEnvironmentVariableA and ExpandEnvironmentStringsA is the process's own
// environment with the machine's Windows variables (TEMP, TMP, USERPROFILE,
// SystemRoot, ...) laid over it, so that TEMP names C:\Temp and not /tmp.
#pragma once

#include "win32/base.h"

extern "C" {

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);

// Length without the terminator; when the buffer is too small, the size
// needed including it (the buffer is then untouched). 0 on failure.
DWORD WINAPI GetTempPathA(DWORD bufferLength, LPSTR buffer);
// Creates the empty file and returns the number used; 0 on failure
// (GetLastError tells why). With unique != 0 the name is only composed.
UINT WINAPI GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName);

// Characters needed including the terminator; 0 on failure. One pass,
// names case-insensitive, an unknown %NAME% left as it is.
DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size);
DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
BOOL WINAPI SetEnvironmentVariableA(LPCSTR name, LPCSTR value);

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
// NULL on success; the block itself on failure.
HLOCAL WINAPI LocalFree(HLOCAL memory);

void WINAPI Sleep(DWORD milliseconds);
DWORD WINAPI GetTickCount(void);
DWORD WINAPI GetCurrentProcessId(void);
DWORD WINAPI GetCurrentThreadId(void);

// Modules are the loaded shared objects; NULL names the main program.
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x1
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x2
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4
// With FROM_ADDRESS, moduleName is an address inside the module (a library
// finds its own handle so). Without UNCHANGED_REFCOUNT the module gains a
// reference that FreeLibrary drops. *module is NULL on failure.
BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
BOOL WINAPI FreeLibrary(HMODULE module);
void* WINAPI GetProcAddress(HMODULE module, LPCSTR procName);

#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
// Only FORMAT_MESSAGE_FROM_SYSTEM is supported: the text of a system error
// code, ending with ".\r\n" as the real texts do.
DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                            DWORD size, void* arguments);

BOOL WINAPI DeleteFileA(LPCSTR fileName);
BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);
#define MOVEFILE_REPLACE_EXISTING 0x1
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80
DWORD WINAPI GetFileAttributesA(LPCSTR fileName);
BOOL WINAPI CreateDirectoryA(LPCSTR pathName, void* securityAttributes);

}  // extern "C"
