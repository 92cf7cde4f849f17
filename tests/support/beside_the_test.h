// Files that sit beside the running test program (the plug-in, the type
// library, the tools), found as the tools find theirs (program_folder.h).
// Windows only.
#pragma once

#include <windows.h>

#include <string>

#include "program_folder.h"

namespace lumbrook::test {

// The running program's folder, with its trailing backslash.
inline std::wstring TestFolderW() {
    return ProgramFolder();
}

// The same in the ANSI code page, for the narrow file functions.
inline std::string TestFolder() {
    char path[MAX_PATH * 2];
    const int made = WideCharToMultiByte(CP_ACP, 0, TestFolderW().c_str(), -1, path,
                                         int(sizeof path), nullptr, nullptr);
    return made > 0 ? path : "";
}

inline std::wstring BesideTheTest(const wchar_t* name) {
    return TestFolderW() + name;
}

}  // namespace lumbrook::test
