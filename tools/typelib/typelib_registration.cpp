#include "typelib_registration.h"

#include <oleauto.h>

#include "interfaces.h"

// mingw-w64 10's oleauto.h lacks the per-user pair that oleaut32 exports.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib*, OLECHAR*, OLECHAR*);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID, WORD, WORD, LCID, SYSKIND);

namespace lumbrook {

HRESULT RegisterTypeLibrary(const wchar_t* path) {
    if (!path) return E_POINTER;
    wchar_t fullPath[MAX_PATH];
    const DWORD length = GetFullPathNameW(path, MAX_PATH, fullPath, nullptr);
    if (length == 0 || length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(fullPath, REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (SUCCEEDED(hr)) {
        const bool ours = IsEqualGUID(attributes->guid, LIBID_ReverbControl) &&
                          attributes->wMajorVerNum == 1 && attributes->wMinorVerNum == 0;
        library->ReleaseTLibAttr(attributes);
        if (!ours) hr = TYPE_E_LIBNOTREGISTERED;
    }
    if (SUCCEEDED(hr)) {
        hr = RegisterTypeLib(library, fullPath, nullptr);
        if (hr == TYPE_E_REGISTRYACCESS || hr == E_ACCESSDENIED)
            hr = RegisterTypeLibForUser(library, fullPath, nullptr);
    }
    library->Release();
    return hr;
}

HRESULT UnregisterTypeLibrary() {
    const HRESULT machine = UnRegisterTypeLib(LIBID_ReverbControl, 1, 0, 0, SYS_WIN32);
    const HRESULT user = UnRegisterTypeLibForUser(LIBID_ReverbControl, 1, 0, 0, SYS_WIN32);
    if (SUCCEEDED(machine) || SUCCEEDED(user)) return S_OK;
    return machine;
}

}  // namespace lumbrook
