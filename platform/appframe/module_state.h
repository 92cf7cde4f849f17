// Module state of our application-framework layer: which module's resources
// the framework uses on the calling thread. Every entry from a host into the
// plug-in makes the plug-in's own state current for its duration, so that the
// dialog template, the bitmap and the strings are found in the plug-in.
#pragma once

#include <windows.h>

class CWinApp;

struct AFX_MODULE_STATE {
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
    CWinApp* m_pCurrentWinApp;
};

// This module's own state (one per module that links the layer). Its handles
// start out as this module's own.
AFX_MODULE_STATE* AfxGetStaticModuleState();

// The calling thread's current state: this module's own unless a guard or
// AfxSetModuleState chose another.
AFX_MODULE_STATE* AfxGetModuleState();

// Makes `state` current on the calling thread; returns the previous one.
AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state);

// The current state's module for resources.
HINSTANCE AfxGetResourceHandle();

// Makes a state current for a scope and restores the previous one on every
// way out.
class AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* state) : previous_(AfxSetModuleState(state)) {}
    ~AFX_MAINTAIN_STATE2() { AfxSetModuleState(previous_); }
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

private:
    AFX_MODULE_STATE* previous_;
};

#define AFX_MANAGE_STATE(state) AFX_MAINTAIN_STATE2 afxManageState_(state)
