// The interfaces through which hosts, the host framework and automation
// clients reach the plug-in, slot for slot, and every identifier they use.
// The factory tables and the page site's table have no IUnknown slots; every
// method uses the COM calling convention.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <ocidl.h>
#include <oaidl.h>

#include <cstdint>

static_assert(sizeof(WAVEFORMATEX) == 18, "the format record is 18 bytes");

extern "C" {
extern const GUID CLSID_ReverbEffect;       // {54E01042-0B2A-11D5-96DC-444553540000}
extern const GUID CLSID_ReverbEditor;       // {54E01043-0B2A-11D5-96DC-444553540000}
extern const GUID LIBID_ReverbControl;      // {54E01044-0B2A-11D5-96DC-444553540000}, version 1.0
extern const GUID IID_IReverbControl;       // {54E01045-0B2A-11D5-96DC-444553540000}
extern const GUID IID_IInPlaceEffect;       // {F7FDEB83-B94C-11CF-BBF8-00AA00A8658E}
extern const GUID IID_IInPlaceEffectAlias;  // {F7FDEB7A-B94C-11CF-BBF8-00AA00A8658E}
extern const GUID IID_IEditorNotify;        // {D068A6A0-C178-11D0-9A6D-00A0C90DA1EF}
extern const GUID IID_IEffectPresets;       // {36A22460-0CC9-11D0-8574-00A0C9053912}
extern const GUID IID_IPropPage;            // {B801CE21-67D7-11D0-953F-00AA00A76449}
extern const GUID IID_IPropPageAlias;       // {B27846C0-2F49-11D1-9A70-00A0C90DA1EF}
}

// The effect's dual automation interface: one getter and one setter per
// parameter, in this slot order (not the block's field order).
struct IReverbControl : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_RoomSize(float* value) = 0;  // slot 7
    virtual HRESULT STDMETHODCALLTYPE put_RoomSize(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Damping(float* value) = 0;  // slot 9
    virtual HRESULT STDMETHODCALLTYPE put_Damping(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Bypass(int32_t* value) = 0;  // slot 11
    virtual HRESULT STDMETHODCALLTYPE put_Bypass(int32_t value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PreDelay(float* value) = 0;  // slot 13
    virtual HRESULT STDMETHODCALLTYPE put_PreDelay(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReverbLevel(float* value) = 0;  // slot 15
    virtual HRESULT STDMETHODCALLTYPE put_ReverbLevel(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DryLevel(float* value) = 0;  // slot 17
    virtual HRESULT STDMETHODCALLTYPE put_DryLevel(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LoEq(float* value) = 0;  // slot 19
    virtual HRESULT STDMETHODCALLTYPE put_LoEq(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HiEq(float* value) = 0;  // slot 21
    virtual HRESULT STDMETHODCALLTYPE put_HiEq(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EnableEq(int32_t* value) = 0;  // slot 23
    virtual HRESULT STDMETHODCALLTYPE put_EnableEq(int32_t value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EarlyRef(float* value) = 0;  // slot 25
    virtual HRESULT STDMETHODCALLTYPE put_EarlyRef(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendTail(int32_t* value) = 0;  // slot 27
    virtual HRESULT STDMETHODCALLTYPE put_ExtendTail(int32_t value) = 0;
};

// The host's in-place processing interface. After GetPages every operation
// answers a plain 32-bit integer: 1 done, 0 refused.
struct IInPlaceEffect : public ISpecifyPropertyPages {
    virtual int32_t STDMETHODCALLTYPE HostSyncA() = 0;  // slot 4
    virtual int32_t STDMETHODCALLTYPE HostSyncB(int32_t a, int32_t b, int32_t c) = 0;
    virtual int32_t STDMETHODCALLTYPE GetParamsSize() = 0;
    virtual int32_t STDMETHODCALLTYPE GetParams(void* destination, int32_t size) = 0;
    virtual int32_t STDMETHODCALLTYPE SetParams(const void* source, int32_t size) = 0;  // slot 8
    virtual int32_t STDMETHODCALLTYPE IsFormatSupported(const WAVEFORMATEX* format) = 0;
    virtual int32_t STDMETHODCALLTYPE SetFormat(const WAVEFORMATEX* format) = 0;
    virtual int32_t STDMETHODCALLTYPE ResetStream() = 0;
    virtual int32_t STDMETHODCALLTYPE ProcessTail(float* buffer, int32_t frameCount,
                                                  int32_t* framesDone) = 0;  // slot 12
    virtual int32_t STDMETHODCALLTYPE HostSyncC() = 0;
    virtual int32_t STDMETHODCALLTYPE ProcessInPlace(float* buffer, int32_t frameCount) = 0;
};

struct IPropPage;

// Told by the editor page when it opens and closes on an effect.
struct IEditorNotify : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AttachEditor(IPropPage* page) = 0;
    virtual HRESULT STDMETHODCALLTYPE DetachEditor(IPropPage* page) = 0;
};

struct IEffectPresets : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPresetCount(int32_t* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPresetName(int32_t index, WCHAR* buffer,
                                                    int32_t bufferSize) = 0;
    // 1 once applied (the block setter's result), E_INVALIDARG out of range.
    virtual HRESULT STDMETHODCALLTYPE LoadPreset(int32_t index) = 0;
};

// The host's page site. No IUnknown slots: slot 0 is OnChange.
struct IPropPageSite {
    virtual int32_t STDMETHODCALLTYPE OnChange() = 0;
};

// The editor page as the host framework drives it (booleans are 1 and 0).
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

// The effect factory that the module gives the host framework: two tables
// in one object, neither with IUnknown slots.
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
