#include "module_state.h"

// The base of whichever module links this file: a DLL's own handle in a DLL.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

HINSTANCE ThisModule() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

thread_local AFX_MODULE_STATE* tCurrentState = nullptr;

}  // namespace

// Made on first use, so that static objects of the module (its application
// object) may use it during static construction.
AFX_MODULE_STATE* AfxGetStaticModuleState() {
    static AFX_MODULE_STATE state = {ThisModule(), ThisModule(), nullptr};
    return &state;
}

AFX_MODULE_STATE* AfxGetModuleState() {
    return tCurrentState ? tCurrentState : AfxGetStaticModuleState();
}

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state) {
    AFX_MODULE_STATE* previous = tCurrentState;
    tCurrentState = state;
    return previous;
}

HINSTANCE AfxGetResourceHandle() {
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}
