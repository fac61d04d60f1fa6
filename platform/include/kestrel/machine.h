// The machine folder: the simulated machine and its one user.
//
// $KESTREL_HOME (default ~/.kestrel) holds everything persistent:
//   registry.db    the registry (see win32/registry.h)
//   machine.conf   "key = value" lines: user = admin | standard,
//                  screen = 32 | 8 (bits per pixel of the simulated screen)
//   sid            the user's SID-like name, made once
//   drive_c/       drive C: (see kestrel/paths.h)
//   windows/       the top-level windows every process shows to the others
// The folder, its drive and its sid are created on first use.
#pragma once

#include <filesystem>
#include <string>

namespace kestrel::machine {

// The machine folder, created on first use. Throws std::runtime_error when
// it cannot be created.
std::filesystem::path Home();

// The user's SID-like name ("S-1-5-21-…-1000"), the name of its HKEY_USERS hive.
std::string UserSid();

// A setting of machine.conf, or fallback when it is not there.
std::string Setting(const std::string& key, const std::string& fallback);
// Writes a setting into machine.conf (creating it), replacing an older line.
void SetSetting(const std::string& key, const std::string& value);

// True when machine.conf says "user = standard": HKLM and HKCR are read-only.
bool IsStandardUser();

// Switches this process to another machine folder; parts of the platform
// that cache machine state notice through Generation(). For tests.
void Switch(const std::filesystem::path& home);
// Changes whenever Switch is called.
unsigned Generation();

}  // namespace kestrel::machine
