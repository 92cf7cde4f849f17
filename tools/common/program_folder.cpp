#include "program_folder.h"

#include <windows.h>

#include <vector>

namespace lumbrook {

std::wstring ProgramFolder() {
    // Room for the longest path the system gives; a path cut short is no path.
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0 || length >= path.size()) return L"";
    const std::wstring full(path.data(), length);
    const size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : full.substr(0, slash + 1);
}

std::wstring BesideThisProgram(const wchar_t* name) {
    const std::wstring folder = ProgramFolder();
    return folder.empty() ? folder : folder + name;
}

}  // namespace lumbrook
