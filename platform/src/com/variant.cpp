#include "com/variant.h"

#include <charconv>
#include <stdexcept>

#include "kestrel/codepage.h"

namespace kestrel {

VARTYPE Variant::vt() const {
  static constexpr VARTYPE kKinds[] = {VT_EMPTY, VT_I2, VT_I4, VT_R8, VT_BOOL, VT_BSTR, VT_ARRAY | VT_UI1,
                                      VT_DISPATCH, VT_UNKNOWN};
  return kKinds[value_.index()];
}

std::u16string Variant::ToText() const {
  switch (vt()) {
    case VT_EMPTY: return u"";
    case VT_I2: return codepage::FromAnsi(std::to_string(Int16()));
    case VT_I4: return codepage::FromAnsi(std::to_string(Int32()));
    case VT_BOOL: return Bool() ? u"True" : u"False";
    case VT_BSTR: return Text();
    case VT_R8: {
      char buf[32];
      auto r = std::to_chars(buf, buf + sizeof buf, Double());
      return codepage::FromAnsi(std::string_view(buf, r.ptr - buf));
    }
    case VT_ARRAY | VT_UI1: {
      const ByteArray& b = Bytes();
      std::u16string out;
      for (size_t i = 0; i < b.size(); i += 2)
        out += static_cast<char16_t>(b[i] | (i + 1 < b.size() ? b[i + 1] << 8 : 0));
      return out;
    }
  }
  throw std::invalid_argument("value has no text form");
}

int32_t Variant::ToInt32() const {
  switch (vt()) {
    case VT_EMPTY: return 0;
    case VT_I2: return Int16();
    case VT_I4: return Int32();
    case VT_BOOL: return Bool() ? -1 : 0;
    case VT_BSTR: {
      std::string s = codepage::ToAnsi(Text());
      size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
      if (b == std::string::npos) throw std::invalid_argument("empty text is not a number");
      int32_t v = 0;
      auto r = std::from_chars(s.data() + b, s.data() + e + 1, v);
      if (r.ec == std::errc::result_out_of_range) throw std::out_of_range("number out of range");
      if (r.ec != std::errc() || r.ptr != s.data() + e + 1) throw std::invalid_argument("text is not a number");
      return v;
    }
  }
  throw std::invalid_argument("value is not a number");
}

}  // namespace kestrel
