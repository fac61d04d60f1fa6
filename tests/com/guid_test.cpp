#include <gtest/gtest.h>

#include <cstring>

#include "com/com.h"
#include "kestrel/codepage.h"

namespace {

constexpr GUID kSample = kestrel::com::MakeGuid("{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
static_assert(kSample.Data1 == 0x12345678 && kSample.Data2 == 0x9ABC && kSample.Data3 == 0xDEF0);
static_assert(kSample.Data4[0] == 0x12 && kSample.Data4[7] == 0xF0);
static_assert(kSample == kestrel::com::MakeGuid("12345678-9abc-def0-1234-56789abcdef0"));
static_assert(IID_IDispatch.Data1 == 0x00020400 && IID_IDispatch.Data4[0] == 0xC0 && IID_IDispatch.Data4[7] == 0x46);

TEST(Guid, TextRoundTrips) {
  struct Case {
    const char16_t* in;
    const char16_t* out;  // upper-case form
  } cases[] = {
      {u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}"},
      {u"{12345678-9abc-def0-1234-56789abcdef0}", u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}"},
      {u"{00000000-0000-0000-0000-000000000000}", u"{00000000-0000-0000-0000-000000000000}"},
      {u"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", u"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
  };
  for (const auto& c : cases) {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromString(c.in, &clsid), S_OK) << kestrel::codepage::ToUtf8(c.in);
    IID iid;
    ASSERT_EQ(IIDFromString(c.in, &iid), S_OK);
    EXPECT_EQ(clsid, iid);
    OLECHAR text[39];
    EXPECT_EQ(StringFromGUID2(clsid, text, 39), 39);
    EXPECT_EQ(std::u16string(text), c.out);
    LPOLESTR allocated = nullptr;
    ASSERT_EQ(StringFromCLSID(clsid, &allocated), S_OK);
    EXPECT_EQ(std::u16string(allocated), c.out);
    CoTaskMemFree(allocated);
  }
  CLSID parsed;
  ASSERT_EQ(CLSIDFromString(u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", &parsed), S_OK);
  EXPECT_EQ(parsed, kSample);
  EXPECT_EQ(kestrel::com::GuidAnsi(kSample), "{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
}

TEST(Guid, MalformedTextLeavesTheGuidUntouched) {
  const char16_t* malformed[] = {
      u"",
      u"12345678-9ABC-DEF0-1234-56789ABCDEF0",    // no braces
      u"{12345678-9ABC-DEF0-1234-56789ABCDEF}",   // a digit short
      u"{12345678-9ABC-DEF0-1234-56789ABCDEF00}", // a digit too many
      u"{12345678-9ABC-DEF0-1234-56789ABCDEFG}",  // not hex
      u"{12345678+9ABC-DEF0-1234-56789ABCDEF0}",  // wrong separator
      u"{123456789-ABC-DEF0-1234-56789ABCDEF0}",  // dash misplaced
      u"{12345678-9ABC-DEF0-1234-56789ABCDEF0",   // no closing brace
      u"(12345678-9ABC-DEF0-1234-56789ABCDEF0)",
      u"{12345678-9ABC-DEF0-1234-56789ABCDEF0} ",
  };
  for (const char16_t* text : malformed) {
    CLSID clsid = kSample;
    EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING) << kestrel::codepage::ToUtf8(text);
    EXPECT_EQ(clsid, kSample);
    IID iid = kSample;
    EXPECT_EQ(IIDFromString(text, &iid), E_INVALIDARG);
    EXPECT_EQ(iid, kSample);
  }
  CLSID clsid = kSample;
  EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_NULL);
}

TEST(Guid, BufferTooSmallIsNotWritten) {
  OLECHAR text[39];
  std::fill(std::begin(text), std::end(text), u'#');
  EXPECT_EQ(StringFromGUID2(kSample, text, 38), 0);
  EXPECT_EQ(text[0], u'#');
  EXPECT_EQ(StringFromGUID2(kSample, nullptr, 39), 0);
  EXPECT_EQ(StringFromCLSID(kSample, nullptr), E_POINTER);
}

}  // namespace
