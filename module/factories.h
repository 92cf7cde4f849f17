// The two factories through which the host framework makes the module's
// objects: effects and their editor pages. Static objects that live as long
// as the module; their text buffers are filled from the module's strings.
#pragma once

#include "framework_interfaces.h"
#include "interfaces.h"

namespace lumbrook {

class EffectFactory final : public IInPlaceFactory {
public:
    const GUID* STDMETHODCALLTYPE GetClassId() override;
    const WCHAR* STDMETHODCALLTYPE GetName() override;
    IUnknown* STDMETHODCALLTYPE CreateEffect() override;
    const char* STDMETHODCALLTYPE GetAnsiName() override;
    const char* STDMETHODCALLTYPE GetHelpFile() override;
    int32_t STDMETHODCALLTYPE GetFlag() override;

private:
    WCHAR nameBuffer_[128] = {};
    char ansiNameBuffer_[128] = {};
    char helpFileBuffer_[128] = {};
};

class EditorFactory final : public IPropPageFactory {
public:
    const GUID* STDMETHODCALLTYPE GetClassId() override;
    const WCHAR* STDMETHODCALLTYPE GetTitle() override;
    IPropPage* STDMETHODCALLTYPE CreatePage() override;
    HINSTANCE STDMETHODCALLTYPE GetResourceInstance() override;
    int32_t STDMETHODCALLTYPE GetDialogId() override;

private:
    WCHAR titleBuffer_[128] = {};
};

extern EffectFactory gEffectFactory;
extern EditorFactory gEditorFactory;

}  // namespace lumbrook
