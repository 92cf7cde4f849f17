// register-typelib: registers (or with /u unregisters) the automation type
// library ReverbControl.tlb, by default the one beside this program.
#include <cstdio>
#include <cwchar>

#include "program_folder.h"
#include "typelib_registration.h"

int wmain(int argc, wchar_t** argv) {
    bool unregister = false;
    const wchar_t* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"/u") == 0 || std::wcscmp(argv[i], L"-u") == 0)
            unregister = true;
        else if (!path && argv[i][0] != L'/' && argv[i][0] != L'-')
            path = argv[i];
        else {
            std::fprintf(stderr, "usage: register-typelib [/u] [ReverbControl.tlb]\n");
            return 2;
        }
    }
    const std::wstring besideUs = lumbrook::BesideThisProgram(L"ReverbControl.tlb");
    if (!path) {
        if (besideUs.empty()) {
            std::fprintf(stderr, "register-typelib: cannot tell where ReverbControl.tlb is\n");
            return 1;
        }
        path = besideUs.c_str();
    }
    const HRESULT hr =
        unregister ? lumbrook::UnregisterTypeLibrary() : lumbrook::RegisterTypeLibrary(path);
    if (FAILED(hr)) {
        std::fprintf(stderr, "register-typelib: %s failed (0x%08lX)\n",
                     unregister ? "unregistering" : "registering", static_cast<unsigned long>(hr));
        return 1;
    }
    std::printf("register-typelib: %s\n", unregister ? "unregistered" : "registered");
    return 0;
}
