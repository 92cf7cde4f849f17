#include "prog_ids.h"

#include <olectl.h>

#include <string>

#include "interfaces.h"

namespace lumbrook {

namespace {

bool SetString(const std::wstring& key, const wchar_t* name, const wchar_t* value) {
    const DWORD bytes = DWORD(sizeof(wchar_t) * (lstrlenW(value) + 1));
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value, bytes) ==
           ERROR_SUCCESS;
}

bool RemoveKey(const wchar_t* key) {
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

// Whether the effect's class is registered in the other bitness's view of
// the classes, where there is one: a 64-bit module always has the 32-bit
// view beside it, a 32-bit one has the 64-bit view on 64-bit Windows only.
bool OtherBitnessRegistered(const std::wstring& classKey) {
#ifdef _WIN64
    const REGSAM otherView = KEY_WOW64_32KEY;
#else
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return false;
    const REGSAM otherView = KEY_WOW64_64KEY;
#endif
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (classKey + L"\\InprocServer32").c_str(), 0,
                      KEY_READ | otherView, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

HRESULT RegisterProgIds(const wchar_t* effectName) {
    wchar_t clsid[40];
    if (StringFromGUID2(CLSID_ReverbEffect, clsid, 40) == 0) return SELFREG_E_CLASS;
    const std::wstring classKey = std::wstring(L"CLSID\\") + clsid;
    const std::wstring current = kEffectProgId;
    const std::wstring independent = kEffectIndependentProgId;
    const bool ok =
        SetString(current, nullptr, effectName) &&
        SetString(current + L"\\CLSID", nullptr, clsid) &&
        SetString(independent, nullptr, effectName) &&
        SetString(independent + L"\\CLSID", nullptr, clsid) &&
        SetString(independent + L"\\CurVer", nullptr, kEffectProgId) &&
        SetString(classKey + L"\\ProgID", nullptr, kEffectProgId) &&
        SetString(classKey + L"\\VersionIndependentProgID", nullptr, kEffectIndependentProgId);
    if (ok) return S_OK;
    UnregisterProgIds();
    return SELFREG_E_CLASS;
}

// The ProgID keys are one for both views, the class keys one per view: the
// names stay while the other bitness's class still answers to them.
HRESULT UnregisterProgIds() {
    wchar_t clsid[40];
    if (StringFromGUID2(CLSID_ReverbEffect, clsid, 40) == 0) return SELFREG_E_CLASS;
    if (OtherBitnessRegistered(std::wstring(L"CLSID\\") + clsid)) return S_OK;
    const bool current = RemoveKey(kEffectProgId);
    const bool independent = RemoveKey(kEffectIndependentProgId);
    return current && independent ? S_OK : SELFREG_E_CLASS;
}

}  // namespace lumbrook
