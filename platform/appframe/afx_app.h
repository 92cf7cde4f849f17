// CWinApp and the library entry steps of a plug-in module: the application
// object runs InitInstance when the module is attached, and the module's own
// state holds the module's handle for resources.
#pragma once

#include <windows.h>

#include "module_state.h"

class CWinApp {
public:
    // Becomes the application object of the module that constructs it.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
};

// Process attach of a plug-in library: records the module's handle in its
// own state (also as the resource module) and runs the application's
// InitInstance under that state, restoring the caller's state. False when
// InitInstance fails; ExitInstance has then run.
BOOL AfxDllProcessAttach(HINSTANCE module);
// Process detach: ExitInstance, then the temporary maps.
void AfxDllProcessDetach();
// Thread detach: the thread's temporary maps.
void AfxDllThreadDetach();
