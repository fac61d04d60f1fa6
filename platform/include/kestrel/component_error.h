// The error triple that every component of the system raises: a number, a
// source and a description. It is the one exception type shared by all
// deliverables; a caller that traps errors catches it and reads the three
// values, as a caller of the original components read its error object.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kestrel {

// The base of object-defined error numbers: a component's number is this
// plus its own code (0x80040000 + 0x4651 = 0x80044651).
constexpr int32_t kObjectErrorBase = static_cast<int32_t>(0x80040000u);

class ComponentError : public std::runtime_error {
 public:
  ComponentError(int32_t number, std::u16string source, std::u16string description);

  int32_t number() const noexcept { return number_; }
  const std::u16string& source() const noexcept { return source_; }
  const std::u16string& description() const noexcept { return description_; }

 private:
  int32_t number_;
  std::u16string source_;
  std::u16string description_;
};

}  // namespace kestrel
