// Reading what registration left under HKEY_CLASSES_ROOT, for the Windows
// tests of the framework and the module. view: 0 for the program's own view
// of the classes, or KEY_WOW64_32KEY / KEY_WOW64_64KEY for one bitness's on
// 64-bit Windows (the class keys differ between them; ProgIDs and type
// libraries are one for both).
#pragma once

#include <windows.h>

#include <string>

namespace lumbrook::test {

// A string value under HKCR (name null: the key's default value), or
// "<missing>" when there is none.
inline std::wstring ReadString(const std::wstring& key, const wchar_t* name = nullptr,
                               REGSAM view = 0) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
        return L"<missing>";
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value;
    const LONG result = RegGetValueW(handle, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &bytes);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS ? value : L"<missing>";
}

// "CLSID\\{...}", the class's key under HKCR.
inline std::wstring ClassKey(const GUID& clsid) {
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

inline bool KeyExists(const std::wstring& key, REGSAM view = 0) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

}  // namespace lumbrook::test
