// The library's entry and its four COM exports, which forward to the host
// framework and return its results unchanged; registration adds the
// effect's ProgIDs.
#include <windows.h>
#include <olectl.h>

#include "active_movie_manager.h"
#include "afx_app.h"
#include "factories.h"
#include "plugin_app.h"
#include "prog_ids.h"

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

STDAPI DllCanUnloadNow() {
    return CActiveMovieManager::CanUnloadNow();
}

// The framework's class entries, then the effect's ProgIDs for script
// clients; all or nothing.
STDAPI DllRegisterServer() {
    const HRESULT hr =
        CActiveMovieManager::RegisterServer(AfxGetStaticModuleState()->m_hCurrentInstanceHandle);
    if (FAILED(hr)) return hr;
    if (FAILED(lumbrook::RegisterProgIds(lumbrook::gEffectFactory.GetName()))) {
        CActiveMovieManager::UnregisterServer();
        return SELFREG_E_CLASS;
    }
    return hr;
}

STDAPI DllUnregisterServer() {
    const HRESULT names = lumbrook::UnregisterProgIds();
    const HRESULT hr = CActiveMovieManager::UnregisterServer();
    return FAILED(hr) ? hr : names;
}
