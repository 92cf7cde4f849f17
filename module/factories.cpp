#include "factories.h"

#include "module_state.h"
#include "resource.h"
#include "reverb_editor.h"
#include "reverb_effect.h"

namespace lumbrook {

namespace {

HINSTANCE ModuleInstance() {
    return AfxGetStaticModuleState()->m_hCurrentInstanceHandle;
}

// A string resource of this module into an 8-bit buffer, cut to fit and
// always terminated.
void LoadAnsi(int id, char (&buffer)[128]) {
    if (LoadStringA(ModuleInstance(), UINT(id), buffer, 128) <= 0) buffer[0] = 0;
    buffer[127] = 0;
}

// The same, converted from the ANSI code page into a wide buffer.
void LoadWide(int id, WCHAR (&buffer)[128]) {
    char text[128];
    LoadAnsi(id, text);
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, 128) <= 0) buffer[0] = 0;
    buffer[127] = 0;
}

}  // namespace

EffectFactory gEffectFactory;
EditorFactory gEditorFactory;

const GUID* STDMETHODCALLTYPE EffectFactory::GetClassId() {
    return &CLSID_ReverbEffect;
}

const WCHAR* STDMETHODCALLTYPE EffectFactory::GetName() {
    LoadWide(IDS_EFFECT_NAME, nameBuffer_);
    return nameBuffer_;
}

// One allocation with the whole engine inline; the receiver takes the
// first reference.
IUnknown* STDMETHODCALLTYPE EffectFactory::CreateEffect() {
    ReverbEffect* effect = ReverbEffect::Create();
    return effect ? static_cast<IReverbControl*>(effect) : nullptr;
}

const char* STDMETHODCALLTYPE EffectFactory::GetAnsiName() {
    LoadAnsi(IDS_EFFECT_ANSI_NAME, ansiNameBuffer_);
    return ansiNameBuffer_;
}

const char* STDMETHODCALLTYPE EffectFactory::GetHelpFile() {
    LoadAnsi(IDS_HELP_FILE, helpFileBuffer_);
    return helpFileBuffer_;
}

int32_t STDMETHODCALLTYPE EffectFactory::GetFlag() {
    return 1;
}

const GUID* STDMETHODCALLTYPE EditorFactory::GetClassId() {
    return &CLSID_ReverbEditor;
}

const WCHAR* STDMETHODCALLTYPE EditorFactory::GetTitle() {
    LoadWide(IDS_PAGE_TITLE, titleBuffer_);
    return titleBuffer_;
}

IPropPage* STDMETHODCALLTYPE EditorFactory::CreatePage() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return ReverbEditor::Create();
}

HINSTANCE STDMETHODCALLTYPE EditorFactory::GetResourceInstance() {
    return ModuleInstance();
}

int32_t STDMETHODCALLTYPE EditorFactory::GetDialogId() {
    return IDD_REVERB_PAGE;
}

}  // namespace lumbrook
