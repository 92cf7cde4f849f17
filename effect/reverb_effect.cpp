// ReverbEffect's identity, lifetime and the host's in-place interface.
#include "reverb_effect.h"

#include <cstring>

namespace lumbrook {

namespace {

constexpr WORD kFormatPcm = 1;
constexpr WORD kFormatIeeeFloat = 3;

}  // namespace

ReverbEffect::ReverbEffect(ZeroFilledBlock block) : engine_(block) {
    std::memset(&format_, 0, sizeof format_);
}

HRESULT STDMETHODCALLTYPE ReverbEffect::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IInPlaceEffect) ||
        IsEqualIID(iid, IID_IInPlaceEffectAlias) || IsEqualIID(iid, IID_ISpecifyPropertyPages))
        *out = static_cast<IInPlaceEffect*>(this);
    else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IReverbControl))
        *out = static_cast<IReverbControl*>(this);
    else if (IsEqualIID(iid, IID_IEditorNotify))
        *out = static_cast<IEditorNotify*>(this);
    else if (IsEqualIID(iid, IID_IEffectPresets))
        *out = static_cast<IEffectPresets*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE ReverbEffect::AddRef() {
    return ULONG(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE ReverbEffect::Release() {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return ULONG(count);
}

// The caller owns the list and frees it with CoTaskMemFree.
HRESULT STDMETHODCALLTYPE ReverbEffect::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 1;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_ReverbEditor;
    return S_OK;
}

// The three synchronisation slots return once no other thread is inside a
// locked operation of this effect (a buffer in progress, a parameter change).
int32_t STDMETHODCALLTYPE ReverbEffect::HostSyncA() {
    LockGuard hold(lock_);
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEffect::HostSyncB(int32_t, int32_t, int32_t) {
    LockGuard hold(lock_);
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEffect::HostSyncC() {
    LockGuard hold(lock_);
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEffect::GetParamsSize() {
    return kParamsSize;
}

int32_t STDMETHODCALLTYPE ReverbEffect::GetParams(void* destination, int32_t size) {
    LockGuard hold(lock_);
    if (size != kParamsSize || !destination) return 0;
    std::memcpy(destination, &engine_.Params(), kParamsSize);
    return 1;
}

// Any bit pattern of the right size is accepted: the engine keeps every
// length inside its line whatever the values.
int32_t STDMETHODCALLTYPE ReverbEffect::SetParams(const void* source, int32_t size) {
    LockGuard hold(lock_);
    if (size != kParamsSize || !source) return 0;
    ReverbParams params;
    std::memcpy(&params, source, kParamsSize);
    engine_.SetParams(params);
    return 1;
}

// PCM or IEEE float, 16 or 32 bits, mono or stereo, in any combination; the
// buffers themselves always carry 32-bit floats.
int32_t STDMETHODCALLTYPE ReverbEffect::IsFormatSupported(const WAVEFORMATEX* format) {
    LockGuard hold(lock_);
    if (!format) return 0;
    const bool tag = format->wFormatTag == kFormatPcm || format->wFormatTag == kFormatIeeeFloat;
    const bool bits = format->wBitsPerSample == 16 || format->wBitsPerSample == 32;
    const bool channels = format->nChannels == 1 || format->nChannels == 2;
    return tag && bits && channels ? 1 : 0;
}

// Stored unchecked (only the 18 bytes of the record); a null record is refused.
int32_t STDMETHODCALLTYPE ReverbEffect::SetFormat(const WAVEFORMATEX* format) {
    LockGuard hold(lock_);
    if (!format) return 0;
    std::memcpy(&format_, format, sizeof format_);
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEffect::ResetStream() {
    LockGuard hold(lock_);
    engine_.ResetStream(format_.nSamplesPerSec);
    return 1;
}

BufferFormat ReverbEffect::CurrentBufferFormat() const {
    return {format_.nChannels, format_.nSamplesPerSec};
}

int32_t STDMETHODCALLTYPE ReverbEffect::ProcessTail(float* buffer, int32_t frameCount,
                                                    int32_t* framesDone) {
    LockGuard hold(lock_);
    return engine_.ProcessTail(buffer, frameCount, CurrentBufferFormat(), framesDone) ? 1 : 0;
}

int32_t STDMETHODCALLTYPE ReverbEffect::ProcessInPlace(float* buffer, int32_t frameCount) {
    LockGuard hold(lock_);
    engine_.ProcessInPlace(buffer, frameCount, CurrentBufferFormat());
    return 1;
}

HRESULT STDMETHODCALLTYPE ReverbEffect::AttachEditor(IPropPage*) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ReverbEffect::DetachEditor(IPropPage*) {
    return S_OK;
}

EngineCoefficients ReverbEffect::Coefficients() {
    LockGuard hold(lock_);
    return engine_.Coefficients();
}

}  // namespace lumbrook
