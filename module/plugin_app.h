// The module's application object: registers the two factories with the
// host framework when the library is loaded.
#pragma once

#include "afx_app.h"

namespace lumbrook {

class PluginApp final : public CWinApp {
public:
    PluginApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
};

}  // namespace lumbrook
