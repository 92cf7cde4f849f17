// ReverbEffect: the COM object a host creates for each use of the reverb. It
// serves IInPlaceEffect (format, block, reset, processing), IReverbControl
// (automation), IEditorNotify and IEffectPresets from one allocation that
// holds the parameters, the format, the reference count, the lock and the
// whole engine. Every operation that reads or writes the engine holds the
// lock, so a parameter change lands between two buffers.
#pragma once

#include <new>

#include "critical_section.h"
#include "interfaces.h"
#include "reverb_engine.h"

namespace lumbrook {

class ReverbEffect final : public IReverbControl,
                           public IInPlaceEffect,
                           public IEditorNotify,
                           public IEffectPresets,
                           public ZeroFilledStorage {
public:
    // A new effect with a reference count of 0, or null without memory. Its
    // storage starts zero-filled, so the engine's lines need no clear.
    static ReverbEffect* Create() { return NewZeroFilled<ReverbEffect>(); }

    virtual ~ReverbEffect() = default;

    // IUnknown, shared by the four interfaces. The identity is IInPlaceEffect.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch, answered from the registered type library.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;

    // IReverbControl: the value is stored unchecked; the setter refreshes
    // the coefficients it drives.
#define LUMBROOK_OVERRIDE_ACCESSORS(Name, Type)                 \
    HRESULT STDMETHODCALLTYPE get_##Name(Type* value) override; \
    HRESULT STDMETHODCALLTYPE put_##Name(Type value) override;
    LUMBROOK_AUTOMATION_SLOTS(LUMBROOK_OVERRIDE_ACCESSORS)
#undef LUMBROOK_OVERRIDE_ACCESSORS

    // IInPlaceEffect
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;
    int32_t STDMETHODCALLTYPE HostSyncA() override;
    int32_t STDMETHODCALLTYPE HostSyncB(int32_t a, int32_t b, int32_t c) override;
    int32_t STDMETHODCALLTYPE GetParamsSize() override;
    int32_t STDMETHODCALLTYPE GetParams(void* destination, int32_t size) override;
    int32_t STDMETHODCALLTYPE SetParams(const void* source, int32_t size) override;
    int32_t STDMETHODCALLTYPE IsFormatSupported(const WAVEFORMATEX* format) override;
    int32_t STDMETHODCALLTYPE SetFormat(const WAVEFORMATEX* format) override;
    int32_t STDMETHODCALLTYPE ResetStream() override;
    int32_t STDMETHODCALLTYPE ProcessTail(float* buffer, int32_t frameCount,
                                          int32_t* framesDone) override;
    int32_t STDMETHODCALLTYPE HostSyncC() override;
    int32_t STDMETHODCALLTYPE ProcessInPlace(float* buffer, int32_t frameCount) override;

    // IEditorNotify: acknowledged; nothing is kept.
    HRESULT STDMETHODCALLTYPE AttachEditor(IPropPage* page) override;
    HRESULT STDMETHODCALLTYPE DetachEditor(IPropPage* page) override;

    // IEffectPresets
    HRESULT STDMETHODCALLTYPE GetPresetCount(int32_t* count) override;
    HRESULT STDMETHODCALLTYPE GetPresetName(int32_t index, WCHAR* buffer,
                                            int32_t bufferSize) override;
    HRESULT STDMETHODCALLTYPE LoadPreset(int32_t index) override;

    // For tests and tools in the same module: the engine's derived values,
    // read under the lock.
    EngineCoefficients Coefficients();

private:
    template <typename T, typename... Args>
    friend T* NewZeroFilled(Args&&... args) noexcept;
    explicit ReverbEffect(ZeroFilledBlock block);

    // What every accessor does, by the property's type.
    HRESULT GetProperty(ParamId id, float* value);
    HRESULT PutProperty(ParamId id, float value);
    HRESULT GetProperty(ParamId id, int32_t* value);
    HRESULT PutProperty(ParamId id, int32_t value);
    BufferFormat CurrentBufferFormat() const;

    WAVEFORMATEX format_;
    volatile LONG refCount_ = 0;
    CriticalSection lock_;
    ReverbEngine engine_;
};

}  // namespace lumbrook
