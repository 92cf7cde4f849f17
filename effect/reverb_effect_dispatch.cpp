// IDispatch of the automation interface.
#include "reverb_effect.h"

namespace lumbrook {

HRESULT STDMETHODCALLTYPE ReverbEffect::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ReverbEffect::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    if (index != 0) return E_INVALIDARG;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ReverbEffect::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ReverbEffect::Invoke(DISPID, REFIID iid, LCID, WORD, DISPPARAMS*,
                                                VARIANT*, EXCEPINFO*, UINT*) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return E_NOTIMPL;
}

}  // namespace lumbrook
