#include "registration.h"

#include <olectl.h>

namespace cwdxpx1 {

namespace {

// "CLSID\{...}" for the class.
void ClassKeyPath(const GUID& clsid, WCHAR (&path)[64]) {
    WCHAR text[40];
    StringFromGUID2(clsid, text, 40);
    lstrcpyW(path, L"CLSID\\");
    lstrcatW(path, text);
}

LONG SetString(HKEY key, const WCHAR* name, const WCHAR* value) {
    const DWORD bytes = DWORD(sizeof(WCHAR) * (lstrlenW(value) + 1));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

// An effect locks its own state and may be called from any thread; a page
// owns a window, which belongs to the thread that made it, and counts its
// references plainly, so COM must keep every call on that thread.
const WCHAR* ThreadingModel(const FactoryEntry& entry) {
    return entry.effect ? L"Both" : L"Apartment";
}

bool WriteClass(const FactoryEntry& entry, const WCHAR* modulePath) {
    WCHAR path[64];
    ClassKeyPath(entry.clsid, path);
    const WCHAR* name = entry.effect ? entry.effect->GetName() : entry.page->GetTitle();
    HKEY classKey = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &classKey,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = SetString(classKey, nullptr, name ? name : L"") == ERROR_SUCCESS;
    HKEY serverKey = nullptr;
    if (ok && RegCreateKeyExW(classKey, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &serverKey, nullptr) == ERROR_SUCCESS) {
        ok = SetString(serverKey, nullptr, modulePath) == ERROR_SUCCESS &&
             SetString(serverKey, L"ThreadingModel", ThreadingModel(entry)) == ERROR_SUCCESS;
        RegCloseKey(serverKey);
    } else {
        ok = false;
    }
    RegCloseKey(classKey);
    return ok;
}

bool RemoveClass(const GUID& clsid) {
    WCHAR path[64];
    ClassKeyPath(clsid, path);
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, path);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace

HRESULT RegisterEntries(HINSTANCE module) {
    WCHAR modulePath[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, modulePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
    const int count = EntryCount();
    if (count == 0) return SELFREG_E_CLASS;
    for (int i = 0; i < count; ++i) {
        if (!WriteClass(EntryAt(i), modulePath)) {
            UnregisterEntries();  // all or nothing
            return SELFREG_E_CLASS;
        }
    }
    return S_OK;
}

HRESULT UnregisterEntries() {
    bool ok = true;
    const int count = EntryCount();
    for (int i = 0; i < count; ++i) ok = RemoveClass(EntryAt(i).clsid) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace cwdxpx1
