// IDispatch of the automation interface, answered through the type
// information of the registered type library: names, argument coercion and
// the call through the interface table are all the type information's work.
#include "reverb_effect.h"

namespace lumbrook {

namespace {

// Shared by every effect of the module, filled at the first successful load
// and kept, with its reference, for the module's life. A failed load is not
// remembered: the next call tries again.
ITypeInfo* volatile gTypeInfo = nullptr;

ITypeInfo* ObtainTypeInfo() {
    if (ITypeInfo* cached = gTypeInfo) return cached;
    ITypeLib* library = nullptr;
    if (FAILED(LoadRegTypeLib(LIBID_ReverbControl, 1, 0, 0, &library)) || !library) return nullptr;
    ITypeInfo* info = nullptr;
    const HRESULT hr = library->GetTypeInfoOfGuid(IID_IReverbControl, &info);
    library->Release();
    if (FAILED(hr) || !info) return nullptr;
    // Two threads may load at once: the first to publish wins, the other
    // drops its copy.
    void* previous = InterlockedCompareExchangePointer(
        reinterpret_cast<void* volatile*>(&gTypeInfo), info, nullptr);
    if (previous) {
        info->Release();
        return static_cast<ITypeInfo*>(previous);
    }
    return info;
}

}  // namespace

HRESULT STDMETHODCALLTYPE ReverbEffect::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = ObtainTypeInfo() ? 1 : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ReverbEffect::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    if (index != 0) return E_INVALIDARG;
    if (!out) return E_POINTER;
    ITypeInfo* info = ObtainTypeInfo();
    if (!info) return E_NOTIMPL;
    info->AddRef();
    *out = info;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ReverbEffect::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                      DISPID* ids) {
    ITypeInfo* info = ObtainTypeInfo();
    if (!info) return E_NOTIMPL;
    return info->GetIDsOfNames(names, count, ids);
}

HRESULT STDMETHODCALLTYPE ReverbEffect::Invoke(DISPID id, REFIID iid, LCID, WORD flags,
                                               DISPPARAMS* params, VARIANT* result,
                                               EXCEPINFO* exception, UINT* argError) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = ObtainTypeInfo();
    if (!info) return E_NOTIMPL;
    return info->Invoke(static_cast<IReverbControl*>(this), id, flags, params, result, exception,
                        argError);
}

}  // namespace lumbrook
