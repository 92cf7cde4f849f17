// ReverbEditor: the effect's property page, a dialog (template 129) and the
// host framework's IPropPage in one object. It talks to the bound effect only
// through IReverbControl and tells the host of every change through the page
// site. Single-threaded: the host calls it on the thread that owns its window.
#pragma once

#include <new>

#include "afx_wnd.h"
#include "interfaces.h"
#include "page_controls.h"
#include "reverb_params.h"

namespace lumbrook {

class ReverbEditor final : public CDialog, public IPropPage {
public:
    // A new page with a reference count of 0, or null without memory.
    static ReverbEditor* Create() { return new (std::nothrow) ReverbEditor(); }

    // The logo opens the product's web page through the shell; tests swap
    // the shell call for one that opens nothing.
    using ShellOpen = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    static void SetShellOpenForTesting(ShellOpen open);
    static const char kWebAddress[];

    // IUnknown (plain counts: the page lives on one thread)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPropPage
    int32_t STDMETHODCALLTYPE SetObject(IUnknown* object) override;
    int32_t STDMETHODCALLTYPE ClearObject() override;
    int32_t STDMETHODCALLTYPE Reserved1(int32_t, int32_t, int32_t, int32_t) override;
    int32_t STDMETHODCALLTYPE Activate() override;
    int32_t STDMETHODCALLTYPE Deactivate() override;
    int32_t STDMETHODCALLTYPE Reserved2(int32_t) override;
    int32_t STDMETHODCALLTYPE Apply() override;
    int32_t STDMETHODCALLTYPE UpdateControls() override;
    int32_t STDMETHODCALLTYPE SetPageSite(IPropPageSite* site) override;
    HWND STDMETHODCALLTYPE CreatePageWindow(HWND parent) override;
    int32_t STDMETHODCALLTYPE DestroyPageWindow() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;

private:
    ReverbEditor();
    ~ReverbEditor() override;

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnHScroll(UINT code, UINT position, CWnd* scrollBar);
    void OnEditChange(const PageControl& row);
    void OnEditKillFocus(const PageControl& row);
    void OnCheckBoxClicked(const PageControl& row);
    void OnLogoClicked(UINT id);

    HRESULT WriteValue(ParamId id, float value);
    HRESULT WriteSwitch(ParamId id, int32_t value);
    HRESULT ReadValue(ParamId id, float* value);
    HRESULT ReadSwitch(ParamId id, int32_t* value);
    void ShowValue(const PageControl& row, float value);  // the edit box's text
    void SetScroll(const PageControl& row, int position);
    int Scroll(const PageControl& row) const;
    void NotifySite();

    DECLARE_MESSAGE_MAP()

    int32_t initialized_ = 0;
    ULONG refCount_ = 0;
    IPropPageSite* pageSite_ = nullptr;  // the host's; no reference held
    IReverbControl* control_ = nullptr;  // one reference while bound
};

}  // namespace lumbrook
