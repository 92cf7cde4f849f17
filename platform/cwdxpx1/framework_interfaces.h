// The host framework's own tables that a plug-in fills in or calls: the two
// factories a plug-in hands to CActiveMovieManager::AddFactory and the page
// site the host gives a plug-in's page. None has IUnknown slots; every method
// uses the COM calling convention. The plug-in's interfaces are in
// effect/interfaces.h.
#pragma once

#include <windows.h>

#include <cstdint>

struct IPropPage;

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
