// Runs a program as a user would start it, for the Windows tests that drive
// the system's tools and our own command-line programs.
#pragma once

#include <windows.h>

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

}  // namespace lumbrook::test
