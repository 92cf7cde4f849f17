// Runs a program as a user would start it, for the Windows tests that drive
// the system's tools and our own command-line programs.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace lumbrook::test {

// The program's exit code, or DWORD(-1) when it could not be started.
inline DWORD RunProgram(const std::wstring& commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return DWORD(-1);
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

// Writes a script under a unique name in the temporary folder, runs it with
// cscript (the program's own bitness's, unless another is named) and returns
// its exit code.
inline DWORD RunScript(const wchar_t* extension, const std::string& text,
                       const wchar_t* cscript = L"cscript.exe") {
    wchar_t folder[MAX_PATH];
    wchar_t name[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"lrs", 0, name))
        return DWORD(-1);
    const std::wstring path = std::wstring(name) + extension;
    FILE* file = _wfopen(path.c_str(), L"wb");
    const bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = file && std::fclose(file) == 0;
    DWORD code = DWORD(-1);
    if (written && closed)
        code = RunProgram(L"\"" + std::wstring(cscript) + L"\" //nologo \"" + path + L"\"");
    DeleteFileW(path.c_str());
    DeleteFileW(name);
    return code;
}

}  // namespace lumbrook::test
