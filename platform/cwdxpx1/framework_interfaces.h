// The host framework's own tables that a plug-in fills in, calls or serves:
// the two factories a plug-in hands to CActiveMovieManager::AddFactory, the
// page site the host gives a plug-in's page, and the page itself. Only the
// page has IUnknown slots; every method uses the COM calling convention. The
// plug-in's interfaces are in effect/interfaces.h.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
// The framework asks a page for its table under either of two identifiers,
// answered with the same pointer.
extern const GUID IID_IPropPage;       // {B801CE21-67D7-11D0-953F-00AA00A76449}
extern const GUID IID_IPropPageAlias;  // {B27846C0-2F49-11D1-9A70-00A0C90DA1EF}
}

struct IPropPageSite;

// A plug-in's page as the host framework drives it (booleans are 1 and 0).
// Reserved1 and Reserved2 hold their places in the table for operations the
// framework defines but never needs from a page: the page ignores their
// arguments and answers what the framework takes for "nothing to do", 0 from
// Reserved1 and 1 from Reserved2.
struct IPropPage : public IUnknown {
    virtual int32_t STDMETHODCALLTYPE SetObject(IUnknown* object) = 0;  // slot 3
    virtual int32_t STDMETHODCALLTYPE ClearObject() = 0;
    virtual int32_t STDMETHODCALLTYPE Reserved1(int32_t a, int32_t b, int32_t c, int32_t d) = 0;
    virtual int32_t STDMETHODCALLTYPE Activate() = 0;
    virtual int32_t STDMETHODCALLTYPE Deactivate() = 0;
    virtual int32_t STDMETHODCALLTYPE Reserved2(int32_t a) = 0;
    virtual int32_t STDMETHODCALLTYPE Apply() = 0;
    virtual int32_t STDMETHODCALLTYPE UpdateControls() = 0;
    virtual int32_t STDMETHODCALLTYPE SetPageSite(IPropPageSite* site) = 0;
    virtual HWND STDMETHODCALLTYPE CreatePageWindow(HWND parent) = 0;
    virtual int32_t STDMETHODCALLTYPE DestroyPageWindow() = 0;  // slot 13
};

// The host's page site: slot 0 is OnChange, the page's "something changed".
struct IPropPageSite {
    virtual int32_t STDMETHODCALLTYPE OnChange() = 0;
};

// The effect factory: two tables in one object.
struct IInPlaceFactoryMain {
    virtual const GUID* STDMETHODCALLTYPE GetClassId() = 0;
    virtual const WCHAR* STDMETHODCALLTYPE GetName() = 0;
    // A new effect with a reference count of 0 (the receiver takes the
    // first reference), or null.
    virtual IUnknown* STDMETHODCALLTYPE CreateEffect() = 0;
};
struct IInPlaceFactoryInfo {
    virtual const char* STDMETHODCALLTYPE GetAnsiName() = 0;
    virtual const char* STDMETHODCALLTYPE GetHelpFile() = 0;
    virtual int32_t STDMETHODCALLTYPE GetFlag() = 0;
};
struct IInPlaceFactory : public IInPlaceFactoryMain, public IInPlaceFactoryInfo {};

// The editor page factory.
struct IPropPageFactory {
    virtual const GUID* STDMETHODCALLTYPE GetClassId() = 0;
    virtual const WCHAR* STDMETHODCALLTYPE GetTitle() = 0;
    // A new page with a reference count of 0, or null.
    virtual IPropPage* STDMETHODCALLTYPE CreatePage() = 0;
    virtual HINSTANCE STDMETHODCALLTYPE GetResourceInstance() = 0;
    virtual int32_t STDMETHODCALLTYPE GetDialogId() = 0;
};
