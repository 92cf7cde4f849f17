// Reading what registration left under HKEY_CLASSES_ROOT, for the Windows
// tests of the framework and the module.
#pragma once

#include <windows.h>

#include <string>

namespace lumbrook::test {

// A string value under HKCR (name null: the key's default value), or
// "<missing>" when there is none.
inline std::wstring ReadString(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes) !=
        ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

inline bool KeyExists(const std::wstring& key) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

}  // namespace lumbrook::test
