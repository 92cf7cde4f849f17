// The plug-in's own interfaces, slot for slot: those its effect serves to
// hosts and automation clients, and every identifier they use. Every method
// uses the COM calling convention. The framework's tables, which the plug-in
// calls, hands over or serves (the factories, the page site, the page its
// editor serves), are in platform/cwdxpx1/framework_interfaces.h.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <ocidl.h>
#include <oaidl.h>

#include <cstdint>

#include "automation_slots.h"
#include "framework_interfaces.h"

static_assert(sizeof(WAVEFORMATEX) == 18, "the format record is 18 bytes");

extern "C" {
extern const GUID CLSID_ReverbEffect;   // {54E01042-0B2A-11D5-96DC-444553540000}
extern const GUID CLSID_ReverbEditor;   // {54E01043-0B2A-11D5-96DC-444553540000}
extern const GUID LIBID_ReverbControl;  // {54E01044-0B2A-11D5-96DC-444553540000}, version 1.0
extern const GUID IID_IReverbControl;   // {54E01045-0B2A-11D5-96DC-444553540000}
// Hosts ask for the in-place table under either of two identifiers; the
// Alias is the second name of the same table, answered with the same pointer.
extern const GUID IID_IInPlaceEffect;       // {F7FDEB83-B94C-11CF-BBF8-00AA00A8658E}
extern const GUID IID_IInPlaceEffectAlias;  // {F7FDEB7A-B94C-11CF-BBF8-00AA00A8658E}
extern const GUID IID_IEditorNotify;        // {D068A6A0-C178-11D0-9A6D-00A0C90DA1EF}
extern const GUID IID_IEffectPresets;       // {36A22460-0CC9-11D0-8574-00A0C9053912}
}

// The effect's dual automation interface: one getter and one setter per
// parameter, in the slot order of automation_slots.h (not the block's
// field order).
#define LUMBROOK_PURE_ACCESSORS(Name, Type)                        \
    virtual HRESULT STDMETHODCALLTYPE get_##Name(Type* value) = 0; \
    virtual HRESULT STDMETHODCALLTYPE put_##Name(Type value) = 0;
struct IReverbControl : public IDispatch {
    LUMBROOK_AUTOMATION_SLOTS(LUMBROOK_PURE_ACCESSORS)
};
#undef LUMBROOK_PURE_ACCESSORS

// The host's in-place processing interface. After GetPages every operation
// answers a plain 32-bit integer: 1 done, 0 refused.
// HostSyncA, HostSyncB and HostSyncC are the host's barriers: each only
// enters and leaves the effect's lock, so it returns once no other thread is
// inside a locked operation of the effect, and answers 1. The host gives them
// no other meaning the effect needs; HostSyncB's three values are ignored.
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
