// The ANSI code page, Windows-1252, the one place where text crosses between
// the system's UTF-16 strings and the bytes of the "A" functions.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::codepage {

// UTF-16 → Windows-1252; a character the code page lacks becomes '?'
// (a surrogate pair counts as one character).
std::string ToAnsi(std::u16string_view text);
// Windows-1252 → UTF-16; every byte has a character.
std::u16string FromAnsi(std::string_view bytes);

// UTF-8 ↔ UTF-16, for the native side (file names, cairo, SQLite text).
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Windows-1252 bytes → UTF-8 and back ('?' for what 1252 lacks).
std::string AnsiToUtf8(std::string_view bytes);
std::string Utf8ToAnsi(std::string_view text);

// Upper case of one Windows-1252 byte, as the platform compares names.
unsigned char UpperAnsi(unsigned char c);
// The case-folded form of a Windows-1252 name, for comparing and ordering.
std::string FoldAnsi(std::string_view bytes);

}  // namespace kestrel::codepage
