#include "com/dispatch_call.h"

#include <string>
#include <vector>

#include "kestrel/component_error.h"

namespace kestrel::com {
namespace {

Variant Invoke(IDispatch* object, std::u16string_view name, WORD flags, std::vector<Variant> args, bool put) {
  if (!object) throw ComponentError(E_POINTER, u"", u"");
  std::u16string text(name);
  LPOLESTR names[] = {text.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw ComponentError(hr, u"", u"");
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{args.data(), put ? &named : nullptr, static_cast<UINT>(args.size()), put ? 1u : 0u};
  Variant result;
  EXCEPINFO info{};
  UINT argErr = 0;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, &info, &argErr);
  if (hr == DISP_E_EXCEPTION) throw ComponentError(info.scode, info.bstrSource, info.bstrDescription);
  if (FAILED(hr)) throw ComponentError(hr, u"", u"");
  return result;
}

}  // namespace

Variant GetProperty(IDispatch* object, std::u16string_view name) {
  return Invoke(object, name, DISPATCH_PROPERTYGET, {}, false);
}

void PutProperty(IDispatch* object, std::u16string_view name, const Variant& value) {
  Invoke(object, name, DISPATCH_PROPERTYPUT, {value}, true);
}

Variant CallMethod(IDispatch* object, std::u16string_view name, std::initializer_list<Variant> args) {
  // Invoke takes the arguments last one first.
  std::vector<Variant> reversed(std::rbegin(args), std::rend(args));
  return Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(reversed), false);
}

}  // namespace kestrel::com
