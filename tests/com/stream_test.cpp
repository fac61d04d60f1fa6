#include <gtest/gtest.h>

#include <string>

#include "com/com.h"

namespace {
using kestrel::ComPtr;

LARGE_INTEGER Offset(LONGLONG n) {
  LARGE_INTEGER v;
  v.QuadPart = n;
  return v;
}

std::string ReadAll(IStream* s, ULONG max = 64) {
  std::string out(max, '\0');
  ULONG read = 0;
  EXPECT_EQ(s->Read(out.data(), max, &read), S_OK);
  out.resize(read);
  return out;
}

TEST(MemoryStream, WritesSeeksReadsAndReportsItsSize) {
  ComPtr<IStream> s;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, s.put()), S_OK);
  ULONG written = 0;
  ASSERT_EQ(s->Write("hello", 5, &written), S_OK);
  EXPECT_EQ(written, 5u);

  ULARGE_INTEGER pos;
  ASSERT_EQ(s->Seek(Offset(-2), STREAM_SEEK_CUR, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 3u);
  EXPECT_EQ(ReadAll(s.get()), "lo");  // short read at the end is S_OK
  EXPECT_EQ(ReadAll(s.get()), "");

  // Refused seeks keep the position.
  EXPECT_EQ(s->Seek(Offset(-6), STREAM_SEEK_END, &pos), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(s->Seek(Offset(0), 7, &pos), STG_E_INVALIDFUNCTION);
  ASSERT_EQ(s->Seek(Offset(0), STREAM_SEEK_CUR, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 5u);

  // Writing past the end fills the gap with zeros.
  ASSERT_EQ(s->Seek(Offset(7), STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(s->Write("!", 1, nullptr), S_OK);
  STATSTG stat;
  ASSERT_EQ(s->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.type, static_cast<DWORD>(STGTY_STREAM));
  EXPECT_EQ(stat.cbSize.QuadPart, 8u);
  ASSERT_EQ(s->Seek(Offset(0), STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(ReadAll(s.get()), std::string("hello\0\0!", 8));

  ULARGE_INTEGER size;
  size.QuadPart = 2;
  ASSERT_EQ(s->SetSize(size), S_OK);
  ASSERT_EQ(s->Seek(Offset(0), STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(ReadAll(s.get()), "he");
}

TEST(MemoryStream, AnswersItsInterfacesOnly) {
  ComPtr<IStream> s;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, FALSE, s.put()), S_OK);
  EXPECT_EQ(kestrel::com::LiveObjects(), 1);
  ComPtr<IUnknown> a = s.As<IUnknown>(), b = s.As<ISequentialStream>().As<IUnknown>();
  EXPECT_TRUE(a);
  EXPECT_EQ(a, b);  // one identity
  EXPECT_TRUE(s.As<ISequentialStream>());
  void* other = &other;
  EXPECT_EQ(s->QueryInterface(IID_IPersist, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(s->QueryInterface(IID_IStream, nullptr), E_POINTER);
  a.Reset();
  b.Reset();
  s.Reset();
  EXPECT_EQ(kestrel::com::LiveObjects(), 0);

  IStream* none = s.get();
  EXPECT_EQ(CreateStreamOnHGlobal(reinterpret_cast<HGLOBAL>(0x10), FALSE, &none), E_INVALIDARG);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, FALSE, nullptr), E_INVALIDARG);
}

}  // namespace
