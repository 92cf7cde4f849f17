// The page object: identity, binding, the page window's lifetime, and the
// host's page operations. The controls' behaviour is in reverb_editor_controls.cpp.
#include "reverb_editor.h"

#include <shellapi.h>

#include "module_state.h"
#include "resource.h"

namespace lumbrook {

namespace {

ReverbEditor::ShellOpen gShellOpen = ShellExecuteA;

}  // namespace

const char ReverbEditor::kWebAddress[] = "https://lumbrook-audio.example/reverb";

void ReverbEditor::SetShellOpenForTesting(ShellOpen open) {
    gShellOpen = open ? open : ShellExecuteA;
}

ReverbEditor::ReverbEditor() : CDialog(IDD_REVERB_PAGE, nullptr) {}

// A host that forgets ClearObject before the last Release would otherwise
// leave the effect alive: the page gives back the reference it holds.
ReverbEditor::~ReverbEditor() {
    if (control_) control_->Release();
}

HRESULT STDMETHODCALLTYPE ReverbEditor::QueryInterface(REFIID iid, void** out) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPropPage) &&
        !IsEqualIID(iid, IID_IPropPageAlias))
        return E_NOINTERFACE;
    *out = static_cast<IPropPage*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE ReverbEditor::AddRef() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return ++refCount_;
}

ULONG STDMETHODCALLTYPE ReverbEditor::Release() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (--refCount_ != 0) return refCount_;
    delete this;
    return 0;
}

int32_t STDMETHODCALLTYPE ReverbEditor::SetObject(IUnknown* object) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!object) return 0;
    if (control_) {
        control_->Release();
        control_ = nullptr;
    }
    void* control = nullptr;
    if (FAILED(object->QueryInterface(IID_IReverbControl, &control)) || !control) return 0;
    control_ = static_cast<IReverbControl*>(control);
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEditor::ClearObject() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (control_) {
        control_->Release();
        control_ = nullptr;
    }
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEditor::Reserved1(int32_t, int32_t, int32_t, int32_t) {
    return 0;
}

int32_t STDMETHODCALLTYPE ReverbEditor::Activate() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    UpdateControls();
    if (!control_) return 1;
    void* notify = nullptr;
    if (SUCCEEDED(control_->QueryInterface(IID_IEditorNotify, &notify)) && notify) {
        static_cast<IEditorNotify*>(notify)->AttachEditor(this);
        static_cast<IEditorNotify*>(notify)->Release();
    }
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEditor::Deactivate() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!control_) return 1;
    void* notify = nullptr;
    if (SUCCEEDED(control_->QueryInterface(IID_IEditorNotify, &notify)) && notify) {
        static_cast<IEditorNotify*>(notify)->DetachEditor(this);
        static_cast<IEditorNotify*>(notify)->Release();
    }
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEditor::Reserved2(int32_t) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEditor::SetPageSite(IPropPageSite* site) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    pageSite_ = site;
    return 1;
}

// The dialog comes from this module's template 129, hidden: showing it is
// the host's business. A page has one window at a time.
HWND STDMETHODCALLTYPE ReverbEditor::CreatePageWindow(HWND parent) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (m_hWnd) return m_hWnd;
    if (!CDialog::Create(IDD_REVERB_PAGE, CWnd::FromHandle(parent))) return nullptr;
    return m_hWnd;
}

int32_t STDMETHODCALLTYPE ReverbEditor::DestroyPageWindow() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    const BOOL destroyed = DestroyWindow();
    initialized_ = 0;
    return destroyed;
}

void ReverbEditor::OnDestroy() {
    initialized_ = 0;
}

void ReverbEditor::OnLogoClicked(UINT) {
    gShellOpen(nullptr, "open", kWebAddress, "", nullptr, SW_SHOWNORMAL);
}

}  // namespace lumbrook
