#include "afx_app.h"

#include "afx_wnd.h"

CWinApp::CWinApp(const char*) {
    AfxGetStaticModuleState()->m_pCurrentWinApp = this;
}

CWinApp::~CWinApp() {
    AFX_MODULE_STATE* state = AfxGetStaticModuleState();
    if (state->m_pCurrentWinApp == this) state->m_pCurrentWinApp = nullptr;
}

BOOL AfxDllProcessAttach(HINSTANCE module) {
    AFX_MODULE_STATE* state = AfxGetStaticModuleState();
    AFX_MAINTAIN_STATE2 own(state);
    state->m_hCurrentInstanceHandle = module;
    state->m_hCurrentResourceHandle = module;
    CWinApp* app = state->m_pCurrentWinApp;
    if (!app) return TRUE;
    if (!app->InitInstance()) {
        app->ExitInstance();
        return FALSE;
    }
    return TRUE;
}

void AfxDllProcessDetach() {
    AFX_MODULE_STATE* state = AfxGetStaticModuleState();
    AFX_MAINTAIN_STATE2 own(state);
    if (state->m_pCurrentWinApp) state->m_pCurrentWinApp->ExitInstance();
    AfxDeleteTempMap();
}

void AfxDllThreadDetach() {
    AFX_MAINTAIN_STATE2 own(AfxGetStaticModuleState());
    AfxDeleteTempMap();
}
