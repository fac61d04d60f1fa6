// Calling IDispatch members by name, as the system's code binds to the
// objects of the browser's page and of the mail program.
//
// Each call looks the name up with GetIDsOfNames and runs Invoke. A failure
// throws ComponentError: for DISP_E_EXCEPTION the error the member raised
// (its number, source and description), otherwise the HRESULT as the number
// with an empty source and description (E_POINTER for a null object).
#pragma once

#include <initializer_list>
#include <string_view>

#include "com/variant.h"

namespace kestrel::com {

Variant GetProperty(IDispatch* object, std::u16string_view name);
void PutProperty(IDispatch* object, std::u16string_view name, const Variant& value);
// Arguments in call order. DISPATCH_METHOD | DISPATCH_PROPERTYGET, as a
// call whose result is used.
Variant CallMethod(IDispatch* object, std::u16string_view name, std::initializer_list<Variant> args = {});

}  // namespace kestrel::com
