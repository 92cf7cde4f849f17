#include "typelib_registration.h"

#include <oleauto.h>

#include <string>

#include "interfaces.h"

// mingw-w64 10's oleauto.h lacks the per-user pair that oleaut32 exports.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib*, OLECHAR*, OLECHAR*);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID, WORD, WORD, LCID, SYSKIND);

namespace lumbrook {

namespace {

// Each bitness registers a library of its own kind, under its own subkey
// ("win32" or "win64") of the library's key, which both views share.
#ifdef _WIN64
constexpr SYSKIND kOwnKind = SYS_WIN64;
constexpr SYSKIND kOtherKind = SYS_WIN32;
#else
constexpr SYSKIND kOwnKind = SYS_WIN32;
constexpr SYSKIND kOtherKind = SYS_WIN64;
#endif

// "TypeLib\{libid}\1.0\0\win32" (or win64) under the classes.
std::wstring PathKey(SYSKIND kind) {
    wchar_t libid[40];
    StringFromGUID2(LIBID_ReverbControl, libid, 40);
    return std::wstring(L"TypeLib\\") + libid + L"\\1.0\\0\\" +
           (kind == SYS_WIN64 ? L"win64" : L"win32");
}

bool Registered(SYSKIND kind) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, PathKey(kind).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Only this bitness's path key, the user's and then the machine's (the
// classes show the user's first); the rest of the library's key and its
// interfaces' keys serve the other bitness too.
HRESULT RemoveOwnPath() {
    bool removed = false;
    for (int hive = 0; hive < 2 && Registered(kOwnKind); ++hive) {
        if (RegDeleteKeyW(HKEY_CLASSES_ROOT, PathKey(kOwnKind).c_str()) != ERROR_SUCCESS)
            return TYPE_E_REGISTRYACCESS;
        removed = true;
    }
    return removed ? S_OK : E_INVALIDARG;
}

}  // namespace

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
        const bool ownKind = attributes->syskind == kOwnKind;
        library->ReleaseTLibAttr(attributes);
        if (!ours)
            hr = TYPE_E_LIBNOTREGISTERED;
        else if (!ownKind)
            hr = TYPE_E_BADMODULEKIND;
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
    // The system's unregistration would take the shared keys with it.
    if (Registered(kOtherKind)) return RemoveOwnPath();
    const HRESULT machine = UnRegisterTypeLib(LIBID_ReverbControl, 1, 0, 0, kOwnKind);
    const HRESULT user = UnRegisterTypeLibForUser(LIBID_ReverbControl, 1, 0, 0, kOwnKind);
    if (SUCCEEDED(machine) || SUCCEEDED(user)) return S_OK;
    return machine;
}

}  // namespace lumbrook
