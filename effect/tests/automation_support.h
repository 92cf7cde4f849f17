// Late-bound calls the way an automation client makes them.
#pragma once

#include <string>

#include "com_test_support.h"

namespace lumbrook::test {

inline DISPID IdOf(IDispatch* dispatch, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return DISPID_UNKNOWN;
    return id;
}

inline HRESULT PutByName(IDispatch* dispatch, const wchar_t* name, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    return dispatch->Invoke(IdOf(dispatch, name), IID_NULL, LOCALE_USER_DEFAULT,
                            DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

inline HRESULT GetByName(IDispatch* dispatch, const wchar_t* name, VARIANT* result) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VariantInit(result);
    return dispatch->Invoke(IdOf(dispatch, name), IID_NULL, LOCALE_USER_DEFAULT,
                            DISPATCH_PROPERTYGET, &none, result, nullptr, nullptr);
}

inline VARIANT R4(float value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R4;
    v.fltVal = value;
    return v;
}

inline VARIANT R8(double value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

inline VARIANT I4(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

inline std::wstring Wide(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

}  // namespace lumbrook::test
