// DispatchObject: IDispatch answered from a table of named members.
//
//   class Doc : public kestrel::com::DispatchObject<Doc, IDispatch> {
//    public:
//     Doc();
//    private:
//     static const kestrel::com::DispatchMember<Doc> kMembers[];
//   };
//   // In the .cpp:
//   const kestrel::com::DispatchMember<Doc> Doc::kMembers[] = {
//       {.name = u"title", .get = [](Doc& d) { return Variant(d.title_); }},
//       {.name = u"doScroll", .call = [](Doc& d, Args a) { ...; return Variant(); }, .minArgs = 1, .maxArgs = 1},
//   };
//   Doc::Doc() : DispatchObject(g_module, kMembers) {}
//
// A member's DISPID is its position in the table plus one; names match
// case-insensitively. Invoke takes the put when the flags ask for a put,
// else the method when asked for a method and the member has one, else the
// get. What a member throws becomes Invoke's result: ComponentError →
// DISP_E_EXCEPTION with its number, source and description in EXCEPINFO;
// std::bad_variant_access and std::invalid_argument → DISP_E_TYPEMISMATCH;
// std::out_of_range → DISP_E_OVERFLOW; DispatchError → its code; anything
// else → E_FAIL.
#pragma once

#include <functional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "com/com_object.h"
#include "com/variant.h"

namespace kestrel::com {

template <class T>
struct DispatchMember {
  using Args = std::span<Variant>;  // in call order

  const char16_t* name = nullptr;
  Variant (*get)(T& self) = nullptr;
  void (*put)(T& self, const Variant& value) = nullptr;
  Variant (*call)(T& self, Args args) = nullptr;
  unsigned minArgs = 0;
  unsigned maxArgs = 0;
};

// Thrown by a member to make Invoke fail with a code of its own.
class DispatchError : public std::runtime_error {
 public:
  explicit DispatchError(HRESULT code) : std::runtime_error("dispatch error"), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

// What Invoke is asked to do with a member, read from its flags and
// parameters; the non-template half of DispatchObject.
struct DispatchRequest {
  enum Kind { kGet, kPut, kCall } kind = kGet;
  std::vector<Variant> args;  // in call order; the value for a put
};
bool SameMemberName(std::u16string_view a, std::u16string_view b);
// Checks riid, the flags and the parameters against what the member has.
HRESULT ReadDispatchRequest(REFIID riid, WORD flags, const DISPPARAMS* params, bool hasGet, bool hasPut,
                            bool hasCall, unsigned minArgs, unsigned maxArgs, DispatchRequest* request);
// Runs body, turning what it throws into the result (see above).
HRESULT RunDispatchMember(const std::function<void()>& body, EXCEPINFO* excepInfo) noexcept;

template <class T, class First = IDispatch, class... Rest>
class DispatchObject : public ComObject<First, Rest...> {
 public:
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      // Names after the first are argument names, which members do not have.
      for (size_t m = 0; i == 0 && names[0] && m < members_.size(); ++m)
        if (SameMemberName(members_[m].name, names[0])) ids[0] = static_cast<DISPID>(m + 1);
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excepInfo, UINT*) override {
    if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    const DispatchMember<T>& m = members_[id - 1];
    DispatchRequest request;
    HRESULT hr = ReadDispatchRequest(riid, flags, params, m.get, m.put, m.call, m.minArgs, m.maxArgs, &request);
    if (FAILED(hr)) return hr;
    T& self = static_cast<T&>(*this);
    return RunDispatchMember(
        [&] {
          Variant value;
          switch (request.kind) {
            case DispatchRequest::kGet: value = m.get(self); break;
            case DispatchRequest::kPut: m.put(self, request.args[0]); break;
            case DispatchRequest::kCall: value = m.call(self, request.args); break;
          }
          if (result) *result = std::move(value);
        },
        excepInfo);
  }

 protected:
  DispatchObject(ServerModule& module, std::span<const DispatchMember<T>> members)
      : ComObject<First, Rest...>(module), members_(members) {}

 private:
  std::span<const DispatchMember<T>> members_;
};

}  // namespace kestrel::com
