#include <gtest/gtest.h>

#include "com/com.h"
#include "com/dispatch_object.h"
#include "kestrel/codepage.h"
#include "kestrel/component_error.h"

namespace {
using kestrel::ComPtr;
using kestrel::ComponentError;
using kestrel::Variant;
using kestrel::com::DispatchMember;
using Args = std::span<Variant>;

kestrel::com::ServerModule g_module;

// An object bound by name: a read-write Title, a read-only Count, a
// method with argument order that matters, one that raises, one that
// hands its argument back.
struct Sheet : kestrel::com::DispatchObject<Sheet> {
  Sheet();
  std::u16string title = u"untitled";
  static const DispatchMember<Sheet> kMembers[];
};
const DispatchMember<Sheet> Sheet::kMembers[] = {
    {.name = u"Title",
     .get = [](Sheet& s) { return Variant(s.title); },
     .put = [](Sheet& s, const Variant& v) { s.title = v.Text(); }},
    {.name = u"Count", .get = [](Sheet&) { return Variant(int32_t{3}); }},
    {.name = u"Subtract",
     .call = [](Sheet&, Args a) { return Variant(a[0].ToInt32() - a[1].ToInt32()); },
     .minArgs = 2,
     .maxArgs = 2},
    {.name = u"Raise",
     .call = [](Sheet&, Args) -> Variant {
       throw ComponentError(kestrel::kObjectErrorBase + 7, u"Sheet.Raise", u"Raised");
     }},
    {.name = u"Echo", .call = [](Sheet&, Args a) { return a[0]; }, .minArgs = 1, .maxArgs = 1},
};
Sheet::Sheet() : DispatchObject(g_module, kMembers) {}

ULONG References(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

class DispatchTest : public ::testing::Test {
 protected:
  void TearDown() override {
    sheet_.Reset();
    EXPECT_EQ(kestrel::com::LiveObjects(), 0);
  }
  DISPID Id(const char16_t* name) {
    std::u16string n(name);
    LPOLESTR names[] = {n.data()};
    DISPID id = 12345;
    EXPECT_EQ(sheet_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    return id;
  }
  ComPtr<Sheet> sheet_ = kestrel::com::MakeObject<Sheet>();
};

TEST_F(DispatchTest, BindsByNameThroughGetPutAndCall) {
  IDispatch* d = sheet_.get();
  EXPECT_EQ(Id(u"title"), Id(u"TITLE"));
  EXPECT_EQ(kestrel::com::GetProperty(d, u"Title"), Variant(u"untitled"));
  kestrel::com::PutProperty(d, u"title", Variant(u"Report"));
  EXPECT_EQ(sheet_->title, u"Report");
  EXPECT_EQ(kestrel::com::CallMethod(d, u"Subtract", {Variant(10), Variant(3)}), Variant(7));
  EXPECT_EQ(kestrel::com::CallMethod(d, u"Count"), Variant(3));  // a property read as a call

  try {
    kestrel::com::CallMethod(d, u"Raise");
    FAIL() << "no error raised";
  } catch (const ComponentError& e) {
    EXPECT_EQ(e.number(), kestrel::kObjectErrorBase + 7);
    EXPECT_EQ(e.source(), u"Sheet.Raise");
    EXPECT_EQ(e.description(), u"Raised");
  }
  try {
    kestrel::com::GetProperty(d, u"Missing");
    FAIL() << "no error raised";
  } catch (const ComponentError& e) {
    EXPECT_EQ(e.number(), DISP_E_UNKNOWNNAME);
  }
  EXPECT_THROW(kestrel::com::GetProperty(nullptr, u"Title"), ComponentError);
}

TEST_F(DispatchTest, NamesThatAreNotMembers) {
  std::u16string a = u"Title", b = u"Nope", c = u"Arg";
  LPOLESTR names[] = {b.data(), c.data()};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(sheet_->GetIDsOfNames(IID_NULL, names, 1, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);
  names[0] = a.data();
  EXPECT_EQ(sheet_->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);  // no named arguments
  EXPECT_EQ(ids[0], Id(u"Title"));
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(sheet_->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, InvokeRefusesWhatTheMemberCannotTake) {
  DISPID put = DISPID_PROPERTYPUT;
  struct Case {
    const char16_t* member;
    WORD flags;
    UINT args;
    bool namedPut;
    HRESULT expected;
  } cases[] = {
      {u"Title", DISPATCH_PROPERTYGET, 1, false, DISP_E_BADPARAMCOUNT},
      {u"Title", DISPATCH_PROPERTYPUT, 1, false, DISP_E_PARAMNOTOPTIONAL},
      {u"Title", DISPATCH_PROPERTYPUT, 2, true, DISP_E_BADPARAMCOUNT},
      {u"Count", DISPATCH_PROPERTYPUT, 1, true, DISP_E_MEMBERNOTFOUND},
      {u"Count", DISPATCH_METHOD, 0, false, DISP_E_MEMBERNOTFOUND},
      {u"Subtract", DISPATCH_METHOD, 1, false, DISP_E_BADPARAMCOUNT},
      {u"Subtract", DISPATCH_METHOD, 3, false, DISP_E_BADPARAMCOUNT},
      {u"Subtract", DISPATCH_PROPERTYGET, 0, false, DISP_E_MEMBERNOTFOUND},
      {u"Subtract", DISPATCH_METHOD, 2, true, DISP_E_NONAMEDARGS},
  };
  for (const auto& c : cases) {
    Variant args[3] = {Variant(1), Variant(2), Variant(3)};
    DISPPARAMS params{args, c.namedPut ? &put : nullptr, c.args, c.namedPut ? 1u : 0u};
    Variant result(u"untouched");
    EXPECT_EQ(sheet_->Invoke(Id(c.member), IID_NULL, 0, c.flags, &params, &result, nullptr, nullptr), c.expected)
        << kestrel::codepage::ToUtf8(c.member) << " flags " << c.flags << " args " << c.args;
  }
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(sheet_->Invoke(99, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(sheet_->Invoke(Id(u"Count"), IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(sheet_->Invoke(Id(u"Count"), IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr),
            E_INVALIDARG);

  // What a member throws becomes the result.
  Variant args[2] = {Variant(1), Variant(u"x")};  // last argument first
  DISPPARAMS two{args, nullptr, 2, 0};
  EXPECT_EQ(sheet_->Invoke(Id(u"Subtract"), IID_NULL, 0, DISPATCH_METHOD, &two, nullptr, nullptr, nullptr),
            DISP_E_TYPEMISMATCH);
  EXCEPINFO info{};
  EXPECT_EQ(sheet_->Invoke(Id(u"Raise"), IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &info, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, kestrel::kObjectErrorBase + 7);
  EXPECT_EQ(info.bstrDescription, u"Raised");
}

TEST_F(DispatchTest, VariantHoldsExactlyOneReferencePerCopy) {
  IDispatch* d = sheet_.get();
  ASSERT_EQ(References(d), 1u);
  {
    Variant v(d);
    EXPECT_EQ(v.vt(), VT_DISPATCH);
    EXPECT_TRUE(v.IsObject());
    EXPECT_EQ(v.Dispatch(), d);
    EXPECT_EQ(References(d), 2u);
    Variant copy = v;
    EXPECT_EQ(References(d), 3u);
    EXPECT_EQ(copy, v);
    Variant moved = std::move(copy);
    EXPECT_EQ(References(d), 3u);
    moved = Variant(5);
    EXPECT_EQ(References(d), 2u);

    // Through Invoke and back: the result is one more reference, no leak.
    Variant echoed = kestrel::com::CallMethod(d, u"Echo", {v});
    EXPECT_EQ(echoed.Dispatch(), d);
    EXPECT_EQ(References(d), 3u);

    Variant unknown(static_cast<IUnknown*>(d));
    EXPECT_EQ(unknown.vt(), VT_UNKNOWN);
    EXPECT_NE(unknown, v);  // another kind
    EXPECT_THROW(unknown.Dispatch(), std::bad_variant_access);
    EXPECT_THROW(v.ToText(), std::invalid_argument);
    EXPECT_EQ(References(d), 4u);
  }
  EXPECT_EQ(References(d), 1u);

  Variant nothing(static_cast<IDispatch*>(nullptr));
  EXPECT_EQ(nothing.vt(), VT_DISPATCH);
  EXPECT_EQ(nothing.Dispatch(), nullptr);
  EXPECT_FALSE(Variant(u"text").IsObject());
}

}  // namespace
