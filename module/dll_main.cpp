// The library's entry and its four COM exports, which forward to the host
// framework and return its results unchanged.
#include <windows.h>

#include "active_movie_manager.h"
#include "afx_app.h"
#include "plugin_app.h"

namespace {

lumbrook::PluginApp gApp;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH: return AfxDllProcessAttach(instance);
    case DLL_PROCESS_DETACH: AfxDllProcessDetach(); break;
    case DLL_THREAD_DETACH: AfxDllThreadDetach(); break;
    default: break;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    return CActiveMovieManager::GetClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return CActiveMovieManager::CanUnloadNow(); }

STDAPI DllRegisterServer() {
    return CActiveMovieManager::RegisterServer(AfxGetStaticModuleState()->m_hCurrentInstanceHandle);
}

STDAPI DllUnregisterServer() { return CActiveMovieManager::UnregisterServer(); }
