// Loading the plug-in module as a host does, by file name, beside the test.
#pragma once

#include <string>

#include "beside_the_test.h"
#include "com_test_support.h"
#include "process_support.h"

namespace lumbrook::test {

inline HMODULE LoadPlugin() {
    return LoadLibraryExW(BesideTheTest(L"LumbrookReverb.dll").c_str(), nullptr,
                          LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using NoArgumentFn = HRESULT(STDAPICALLTYPE*)();

}  // namespace lumbrook::test
