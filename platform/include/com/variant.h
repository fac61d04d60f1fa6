// VARIANT: the value of any kind that crosses COM interfaces and that the
// system's routines take where they accept "any value".
//
// Differences from the real platform: a C++ value type rather than a tagged
// C union; strings are std::u16string (no BSTR allocation) and byte arrays
// are std::vector<BYTE> indexed from 0; an object (VT_DISPATCH, VT_UNKNOWN)
// is a counted reference that copies AddRef and destruction releases. Only
// the kinds the system passes exist. vt() reports the kind with the
// platform's VT_ numbers.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "com/com_ptr.h"
#include "com/dispatch.h"

typedef uint16_t VARTYPE;
enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_UI1 = 17,
  VT_ARRAY = 0x2000,
};

namespace kestrel {

class Variant {
 public:
  using ByteArray = std::vector<uint8_t>;

  Variant() = default;
  Variant(int16_t value) : value_(value) {}
  Variant(int32_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(bool value) : value_(value) {}
  Variant(std::u16string value) : value_(std::move(value)) {}
  Variant(const char16_t* value) : value_(std::u16string(value)) {}
  Variant(ByteArray value) : value_(std::move(value)) {}
  // Objects: the Variant holds a reference of its own; a null pointer is
  // an object kind without an object (Nothing).
  Variant(IDispatch* object) : value_(ComPtr<IDispatch>(object)) {}
  Variant(IUnknown* object) : value_(ComPtr<IUnknown>(object)) {}
  Variant(ComPtr<IDispatch> object) : value_(std::move(object)) {}
  Variant(ComPtr<IUnknown> object) : value_(std::move(object)) {}

  VARTYPE vt() const;
  bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsText() const { return std::holds_alternative<std::u16string>(value_); }
  bool IsByteArray() const { return std::holds_alternative<ByteArray>(value_); }
  // A 16-bit or 32-bit integer.
  bool IsInteger() const { return vt() == VT_I2 || vt() == VT_I4; }
  // VT_DISPATCH or VT_UNKNOWN, with or without an object.
  bool IsObject() const { return vt() == VT_DISPATCH || vt() == VT_UNKNOWN; }

  // The stored value of that kind; throws std::bad_variant_access otherwise.
  const std::u16string& Text() const { return std::get<std::u16string>(value_); }
  const ByteArray& Bytes() const { return std::get<ByteArray>(value_); }
  int16_t Int16() const { return std::get<int16_t>(value_); }
  int32_t Int32() const { return std::get<int32_t>(value_); }
  bool Bool() const { return std::get<bool>(value_); }
  double Double() const { return std::get<double>(value_); }
  // The object, borrowed (no AddRef); null for Nothing. Throws
  // std::bad_variant_access when the kind is not that object kind.
  IDispatch* Dispatch() const { return std::get<ComPtr<IDispatch>>(value_).get(); }
  IUnknown* Unknown() const { return std::get<ComPtr<IUnknown>>(value_).get(); }

  // Conversion to text as the forms toolkit's runtime converts: integers in
  // decimal, booleans "True"/"False", a byte array read as UTF-16 code units
  // (low byte first; an odd last byte alone), Empty as "". Throws
  // std::invalid_argument for what has no text form (objects).
  std::u16string ToText() const;
  // Conversion to a 32-bit integer; text must hold a decimal number. Throws
  // std::invalid_argument or std::out_of_range.
  int32_t ToInt32() const;

  // Objects compare by identity of the pointer held.
  bool operator==(const Variant&) const = default;

 private:
  std::variant<std::monostate, int16_t, int32_t, double, bool, std::u16string, ByteArray, ComPtr<IDispatch>,
               ComPtr<IUnknown>>
      value_;
};

}  // namespace kestrel
