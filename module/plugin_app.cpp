#include "plugin_app.h"

#include "active_movie_manager.h"
#include "factories.h"

namespace lumbrook {

// The effect factory first, then the editor's; a refusal fails the load
// (a registration already made stays with the framework).
BOOL PluginApp::InitInstance() {
    if (FAILED(CActiveMovieManager::AddFactory(static_cast<IInPlaceFactory*>(&gEffectFactory))))
        return FALSE;
    if (FAILED(CActiveMovieManager::AddFactory(static_cast<IPropPageFactory*>(&gEditorFactory))))
        return FALSE;
    return CWinApp::InitInstance();
}

}  // namespace lumbrook
