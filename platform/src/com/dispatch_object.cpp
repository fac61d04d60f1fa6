#include "com/dispatch_object.h"

#include <new>
#include <variant>

#include "kestrel/codepage.h"
#include "kestrel/component_error.h"

namespace kestrel::com {

bool SameMemberName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && codepage::FoldAnsi(codepage::ToAnsi(a)) == codepage::FoldAnsi(codepage::ToAnsi(b));
}

HRESULT ReadDispatchRequest(REFIID riid, WORD flags, const DISPPARAMS* params, bool hasGet, bool hasPut,
                            bool hasCall, unsigned minArgs, unsigned maxArgs, DispatchRequest* request) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!params || (params->cArgs && !params->rgvarg) || (params->cNamedArgs && !params->rgdispidNamedArgs))
    return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (!hasPut) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTOPTIONAL;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    request->kind = DispatchRequest::kPut;
    request->args.assign(params->rgvarg, params->rgvarg + 1);
    return S_OK;
  }
  if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
  if ((flags & DISPATCH_METHOD) && hasCall) {
    if (params->cArgs < minArgs || params->cArgs > maxArgs) return DISP_E_BADPARAMCOUNT;
    request->kind = DispatchRequest::kCall;
    request->args.assign(std::make_reverse_iterator(params->rgvarg + params->cArgs),
                         std::make_reverse_iterator(params->rgvarg));
    return S_OK;
  }
  if ((flags & DISPATCH_PROPERTYGET) && hasGet) {
    if (params->cArgs) return DISP_E_BADPARAMCOUNT;
    request->kind = DispatchRequest::kGet;
    return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT RunDispatchMember(const std::function<void()>& body, EXCEPINFO* excepInfo) noexcept {
  try {
    body();
    return S_OK;
  } catch (const ComponentError& e) {
    if (excepInfo) {
      *excepInfo = EXCEPINFO{};
      excepInfo->scode = e.number();
      excepInfo->bstrSource = e.source();
      excepInfo->bstrDescription = e.description();
    }
    return DISP_E_EXCEPTION;
  } catch (const DispatchError& e) {
    return e.code();
  } catch (const std::bad_variant_access&) {
    return DISP_E_TYPEMISMATCH;
  } catch (const std::invalid_argument&) {
    return DISP_E_TYPEMISMATCH;
  } catch (const std::out_of_range&) {
    return DISP_E_OVERFLOW;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace kestrel::com
