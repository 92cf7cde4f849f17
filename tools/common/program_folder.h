// Files that sit beside the running program (the plug-in, the type library,
// the tools), found from the program's own path, as Windows finds a DLL
// beside the program that loads it. Windows only.
#pragma once

#include <string>

namespace lumbrook {

// The running program's folder with its trailing backslash; "" when the
// system cannot tell it.
std::wstring ProgramFolder();

// `name` in that folder; "" when the folder is unknown.
std::wstring BesideThisProgram(const wchar_t* name);

}  // namespace lumbrook
