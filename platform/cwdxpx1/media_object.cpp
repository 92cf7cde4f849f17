// An effect as a DirectX Media Object. One input and one output stream of the
// same type; integer PCM is converted to the effect's floats and back here
// (a graph may have no converter to put in front of us: Wine's has none),
// float passes through to the effect as it is. The effect starts a stream on
// the first buffer after a type change, a flush or the end of the previous
// stream (DMO wrappers need not call AllocateStreamingResources), and after
// the end of a stream (Discontinuity) ProcessOutput gives the effect's tail
// when the effect wants one. One lock guards the object's state: clients may
// call from several threads; the effect, which has its own lock, is called
// under it and never calls back.
#include "media_object.h"

#include <cstring>
#include <new>

#include "critical_section.h"
#include "interfaces.h"
#include "media_types.h"
#include "pcm_samples.h"
#include "reverb_engine.h"

namespace cwdxpx1 {

namespace {

using lumbrook::CriticalSection;
using lumbrook::LockGuard;

constexpr int32_t kScratchFrames = 1024;  // frames converted per effect call
constexpr REFERENCE_TIME kTimeUnitsPerSecond = 10000000;
constexpr int32_t kMaxParamsBytes = 1024;  // a clone copies the effect's block through this

class MediaObject;

// The non-delegating IUnknown: the object's own identity, which an outer
// object holds when it aggregates the media object.
class InnerUnknown final : public IUnknown {
public:
    explicit InnerUnknown(MediaObject* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

private:
    MediaObject* owner_;
};

class MediaObject final : public IMediaObject, public IMediaObjectInPlace {
public:
    MediaObject(IInPlaceFactory* factory, IUnknown* outer, IInPlaceEffect* effect,
                IReverbControl* control)
        : inner_(this),
          outer_(outer ? outer : &inner_),
          factory_(factory),
          effect_(effect),
          control_(control) {}

    HRESULT InnerQuery(REFIID iid, void** out);
    ULONG InnerAddRef() { return ULONG(InterlockedIncrement(&refCount_)); }
    ULONG InnerRelease() {
        const LONG count = InterlockedDecrement(&refCount_);
        if (count == 0) delete this;
        return ULONG(count);
    }
    IUnknown* Inner() { return &inner_; }

    // IUnknown of the interfaces: the outer object's, when aggregated.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return outer_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return outer_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return outer_->Release(); }

    // IMediaObject
    HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD* inputs, DWORD* outputs) override;
    HRESULT STDMETHODCALLTYPE GetInputStreamInfo(DWORD index, DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE GetOutputStreamInfo(DWORD index, DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE GetInputType(DWORD index, DWORD typeIndex,
                                           DMO_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetOutputType(DWORD index, DWORD typeIndex,
                                            DMO_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE SetInputType(DWORD index, const DMO_MEDIA_TYPE* type,
                                           DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetOutputType(DWORD index, const DMO_MEDIA_TYPE* type,
                                            DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetInputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetOutputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetInputSizeInfo(DWORD index, DWORD* size, DWORD* lookahead,
                                               DWORD* alignment) override;
    HRESULT STDMETHODCALLTYPE GetOutputSizeInfo(DWORD index, DWORD* size,
                                                DWORD* alignment) override;
    HRESULT STDMETHODCALLTYPE GetInputMaxLatency(DWORD, REFERENCE_TIME*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetInputMaxLatency(DWORD, REFERENCE_TIME) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Flush() override;
    HRESULT STDMETHODCALLTYPE Discontinuity(DWORD index) override;
    HRESULT STDMETHODCALLTYPE AllocateStreamingResources() override;
    HRESULT STDMETHODCALLTYPE FreeStreamingResources() override;
    HRESULT STDMETHODCALLTYPE GetInputStatus(DWORD index, DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE ProcessInput(DWORD index, IMediaBuffer* buffer, DWORD flags,
                                           REFERENCE_TIME time, REFERENCE_TIME length) override;
    HRESULT STDMETHODCALLTYPE ProcessOutput(DWORD flags, DWORD count,
                                            DMO_OUTPUT_DATA_BUFFER* buffers,
                                            DWORD* status) override;
    HRESULT STDMETHODCALLTYPE Lock(LONG) override { return S_OK; }

    // IMediaObjectInPlace
    HRESULT STDMETHODCALLTYPE Process(ULONG size, BYTE* data, REFERENCE_TIME time,
                                      DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IMediaObjectInPlace** out) override;
    HRESULT STDMETHODCALLTYPE GetLatency(REFERENCE_TIME* latency) override;

private:
    ~MediaObject() {
        DropInput();
        if (control_) control_->Release();
        effect_->Release();
    }

    bool TypesSet() const { return input_.IsSet() && output_.IsSet(); }
    HRESULT CheckType(const DMO_MEDIA_TYPE& type, SampleLayout* layout);
    // Ends the stream: the next buffer starts a new one.
    void EndStream();
    void DropInput();
    void StartStreamIfNeeded();
    bool WantsTail();
    void BeginTail();
    // Runs frames through the effect: `in` and `out` (which may be the same)
    // hold them in the stream's type; a null `out` drops the result.
    void RunFrames(const BYTE* in, BYTE* out, int32_t frames);
    // Writes up to `frames` frames of tail to `out`; the frames it gave.
    int32_t RunTail(BYTE* out, int32_t frames);
    void FromScratch(BYTE* out, int32_t frames);
    REFERENCE_TIME TimeAt(int64_t frames) const {
        return anchorTime_ + frames * kTimeUnitsPerSecond / layout_.rate;
    }

    InnerUnknown inner_;
    IUnknown* outer_;
    volatile LONG refCount_ = 0;
    IInPlaceFactory* factory_;
    IInPlaceEffect* effect_;   // one reference
    IReverbControl* control_;  // one reference, or null for an effect without one
    CriticalSection lock_;

    OwnedType input_, output_;
    SampleLayout layout_ = {};
    bool streamStarted_ = false;    // the effect has the format and a fresh stream
    bool hasData_ = false;          // frames have gone through since the stream started
    bool draining_ = false;         // the stream ended; its tail is being given
    bool endAfterPending_ = false;  // the stream ends, without a tail, once the input is out
    lumbrook::TailStream tail_;     // the tail being given

    IMediaBuffer* pending_ = nullptr;  // input not yet processed, one reference
    BYTE* pendingData_ = nullptr;
    int32_t pendingFrames_ = 0;

    // Output time: anchorTime_ is the time of the frame anchorFrames_ frames
    // before the next one out; each timed input moves the anchor.
    REFERENCE_TIME anchorTime_ = 0;
    int64_t anchorFrames_ = 0;

    float scratch_[kScratchFrames * 2];
};

HRESULT STDMETHODCALLTYPE InnerUnknown::QueryInterface(REFIID iid, void** out) {
    return owner_->InnerQuery(iid, out);
}
ULONG STDMETHODCALLTYPE InnerUnknown::AddRef() {
    return owner_->InnerAddRef();
}
ULONG STDMETHODCALLTYPE InnerUnknown::Release() {
    return owner_->InnerRelease();
}

// The effect's own interfaces that a media object's client (a DMO host, or
// the DMO wrapper filter on behalf of a graph's user) may want: automation,
// presets, pages and the in-place table. Each is the effect's own pointer;
// anything else, unknown here, is refused rather than passed on.
bool ForwardedToEffect(REFIID iid) {
    return IsEqualIID(iid, IID_IReverbControl) || IsEqualIID(iid, IID_IDispatch) ||
           IsEqualIID(iid, IID_IEffectPresets) || IsEqualIID(iid, IID_ISpecifyPropertyPages) ||
           IsEqualIID(iid, IID_IInPlaceEffect) || IsEqualIID(iid, IID_IInPlaceEffectAlias);
}

HRESULT MediaObject::InnerQuery(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown))
        *out = &inner_;
    else if (IsEqualIID(iid, IID_IMediaObject))
        *out = static_cast<IMediaObject*>(this);
    else if (IsEqualIID(iid, IID_IMediaObjectInPlace))
        *out = static_cast<IMediaObjectInPlace*>(this);
    else if (ForwardedToEffect(iid))
        return effect_->QueryInterface(iid, out);
    else
        return E_NOINTERFACE;
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
}

HRESULT MediaObject::GetStreamCount(DWORD* inputs, DWORD* outputs) {
    if (!inputs || !outputs) return E_POINTER;
    *inputs = *outputs = 1;
    return S_OK;
}

HRESULT MediaObject::GetInputStreamInfo(DWORD index, DWORD* flags) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!flags) return E_POINTER;
    *flags = DMO_INPUT_STREAMF_WHOLE_SAMPLES | DMO_INPUT_STREAMF_FIXED_SAMPLE_SIZE;
    return S_OK;
}

HRESULT MediaObject::GetOutputStreamInfo(DWORD index, DWORD* flags) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!flags) return E_POINTER;
    *flags = DMO_OUTPUT_STREAMF_WHOLE_SAMPLES | DMO_OUTPUT_STREAMF_FIXED_SAMPLE_SIZE;
    return S_OK;
}

HRESULT MediaObject::GetInputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    DMO_MEDIA_TYPE offered;
    if (!OfferedType(typeIndex, &offered)) return DMO_E_NO_MORE_ITEMS;
    if (type) *type = offered;
    return S_OK;
}

// The output is the input: once the input has a type, that type is the one
// offered.
HRESULT MediaObject::GetOutputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    LockGuard hold(lock_);
    if (!input_.IsSet()) return DMO_E_TYPE_NOT_SET;
    if (typeIndex != 0) return DMO_E_NO_MORE_ITEMS;
    return type ? input_.CopyTo(type) : S_OK;
}

HRESULT MediaObject::CheckType(const DMO_MEDIA_TYPE& type, SampleLayout* layout) {
    if (!ReadLayout(type, layout)) return DMO_E_TYPE_NOT_ACCEPTED;
    WAVEFORMATEX format = EffectFormatOf(*layout);
    return effect_->IsFormatSupported(&format) == 1 ? S_OK : DMO_E_TYPE_NOT_ACCEPTED;
}

// A new input type drops an output type that no longer matches; the output
// type must equal the input's.
HRESULT MediaObject::SetInputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (flags & ~DWORD(DMO_SET_TYPEF_TEST_ONLY | DMO_SET_TYPEF_CLEAR)) return E_INVALIDARG;
    LockGuard hold(lock_);
    if (flags & DMO_SET_TYPEF_CLEAR) {
        input_.Clear();
        EndStream();
        return S_OK;
    }
    if (!type) return E_POINTER;
    SampleLayout layout;
    const HRESULT hr = CheckType(*type, &layout);
    if (FAILED(hr) || (flags & DMO_SET_TYPEF_TEST_ONLY)) return hr;
    if (input_.IsSet() && SameType(input_.Type(), *type)) return S_OK;
    if (FAILED(input_.Assign(*type))) return E_OUTOFMEMORY;
    if (output_.IsSet() && !SameType(output_.Type(), *type)) output_.Clear();
    layout_ = layout;
    EndStream();
    return S_OK;
}

HRESULT MediaObject::SetOutputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (flags & ~DWORD(DMO_SET_TYPEF_TEST_ONLY | DMO_SET_TYPEF_CLEAR)) return E_INVALIDARG;
    LockGuard hold(lock_);
    if (flags & DMO_SET_TYPEF_CLEAR) {
        output_.Clear();
        EndStream();
        return S_OK;
    }
    if (!type) return E_POINTER;
    if (!input_.IsSet()) return DMO_E_TYPE_NOT_SET;
    if (!SameType(input_.Type(), *type)) return DMO_E_TYPE_NOT_ACCEPTED;
    if ((flags & DMO_SET_TYPEF_TEST_ONLY) || output_.IsSet()) return S_OK;
    return output_.Assign(*type);
}

HRESULT MediaObject::GetInputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!type) return E_POINTER;
    LockGuard hold(lock_);
    return input_.IsSet() ? input_.CopyTo(type) : DMO_E_TYPE_NOT_SET;
}

HRESULT MediaObject::GetOutputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!type) return E_POINTER;
    LockGuard hold(lock_);
    return output_.IsSet() ? output_.CopyTo(type) : DMO_E_TYPE_NOT_SET;
}

HRESULT MediaObject::GetInputSizeInfo(DWORD index, DWORD* size, DWORD* lookahead,
                                      DWORD* alignment) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!size || !lookahead || !alignment) return E_POINTER;
    LockGuard hold(lock_);
    if (!input_.IsSet()) return DMO_E_TYPE_NOT_SET;
    *size = layout_.blockAlign;
    *lookahead = 0;
    *alignment = 1;
    return S_OK;
}

HRESULT MediaObject::GetOutputSizeInfo(DWORD index, DWORD* size, DWORD* alignment) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!size || !alignment) return E_POINTER;
    LockGuard hold(lock_);
    if (!output_.IsSet()) return DMO_E_TYPE_NOT_SET;
    *size = layout_.blockAlign;
    *alignment = 1;
    return S_OK;
}

void MediaObject::DropInput() {
    if (pending_) pending_->Release();
    pending_ = nullptr;
    pendingData_ = nullptr;
    pendingFrames_ = 0;
}

void MediaObject::EndStream() {
    DropInput();
    streamStarted_ = false;
    hasData_ = false;
    draining_ = false;
    endAfterPending_ = false;
}

// The effect is told the format and reset here, at the first buffer, not
// when the types are set: a type may be set and changed many times while a
// graph is being built.
void MediaObject::StartStreamIfNeeded() {
    if (streamStarted_) return;
    WAVEFORMATEX format = EffectFormatOf(layout_);
    effect_->SetFormat(&format);
    effect_->ResetStream();
    streamStarted_ = true;
    hasData_ = false;
    draining_ = false;
    anchorTime_ = 0;
    anchorFrames_ = 0;
}

HRESULT MediaObject::Flush() {
    LockGuard hold(lock_);
    EndStream();
    return S_OK;
}

bool MediaObject::WantsTail() {
    int32_t extendTail = 0;
    return control_ && SUCCEEDED(control_->get_ExtendTail(&extendTail)) && extendTail != 0;
}

// Ten seconds of tail for an effect we know, counted as every tool of ours
// counts it; another effect's tail lasts as long as it says it goes on.
void MediaObject::BeginTail() {
    draining_ = true;
    tail_ = lumbrook::TailStream(control_ ? lumbrook::TailBudgetFrames(layout_.rate) : 0);
}

// The end of the stream: what is pending still goes out, then the tail when
// the effect wants one; a discontinuity before any data (a host marks the
// first buffer so) ends nothing.
HRESULT MediaObject::Discontinuity(DWORD index) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    LockGuard hold(lock_);
    if (!TypesSet()) return DMO_E_TYPE_NOT_SET;
    if (draining_ || !(hasData_ || pending_)) return S_OK;
    if (WantsTail())
        BeginTail();
    else if (pending_)
        endAfterPending_ = true;
    else
        EndStream();
    return S_OK;
}

HRESULT MediaObject::AllocateStreamingResources() {
    LockGuard hold(lock_);
    return TypesSet() ? S_OK : DMO_E_TYPE_NOT_SET;
}

HRESULT MediaObject::FreeStreamingResources() {
    LockGuard hold(lock_);
    EndStream();
    return S_OK;
}

HRESULT MediaObject::GetInputStatus(DWORD index, DWORD* flags) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!flags) return E_POINTER;
    LockGuard hold(lock_);
    *flags = pending_ || draining_ ? 0 : DMO_INPUT_STATUSF_ACCEPT_DATA;
    return S_OK;
}

HRESULT MediaObject::ProcessInput(DWORD index, IMediaBuffer* buffer, DWORD flags,
                                  REFERENCE_TIME time, REFERENCE_TIME) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!buffer) return E_POINTER;
    LockGuard hold(lock_);
    if (!TypesSet()) return DMO_E_TYPE_NOT_SET;
    if (pending_ || draining_) return DMO_E_NOTACCEPTING;
    BYTE* data = nullptr;
    DWORD bytes = 0;
    const HRESULT hr = buffer->GetBufferAndLength(&data, &bytes);
    if (FAILED(hr)) return hr;
    // Whole frames only; a torn last frame is not audio.
    const DWORD frames = data ? bytes / layout_.blockAlign : 0;
    if (frames == 0) return S_FALSE;
    if (frames > DWORD(INT32_MAX)) return E_INVALIDARG;
    StartStreamIfNeeded();
    if (flags & DMO_INPUT_DATA_BUFFERF_TIME) {
        anchorTime_ = time;
        anchorFrames_ = 0;
    }
    buffer->AddRef();
    pending_ = buffer;
    pendingData_ = data;
    pendingFrames_ = int32_t(frames);
    return S_OK;
}

void MediaObject::FromScratch(BYTE* out, int32_t frames) {
    const size_t samples = size_t(frames) * layout_.channels;
    if (layout_.isFloat) {
        std::memcpy(out, scratch_, samples * sizeof(float));
        return;
    }
    const uint32_t sampleBytes = layout_.bits / 8;
    for (size_t i = 0; i < samples; ++i, out += sampleBytes)
        lumbrook::FloatToPcm(scratch_[i], layout_.bits, out);
}

void MediaObject::RunFrames(const BYTE* in, BYTE* out, int32_t frames) {
    const uint32_t sampleBytes = layout_.bits / 8;
    while (frames > 0) {
        const int32_t run = frames < kScratchFrames ? frames : kScratchFrames;
        const size_t samples = size_t(run) * layout_.channels;
        if (layout_.isFloat) {
            std::memcpy(scratch_, in, samples * sizeof(float));
        } else {
            for (size_t i = 0; i < samples; ++i)
                scratch_[i] = lumbrook::PcmToFloat(in + i * sampleBytes, layout_.bits);
        }
        effect_->ProcessInPlace(scratch_, run);
        if (out) {
            FromScratch(out, run);
            out += size_t(run) * layout_.blockAlign;
        }
        in += size_t(run) * layout_.blockAlign;
        frames -= run;
    }
    hasData_ = true;
}

int32_t MediaObject::RunTail(BYTE* out, int32_t frames) {
    const auto effectTail = [this](float* at, int32_t asked, int32_t* done) {
        return effect_->ProcessTail(at, asked, done) == 1;
    };
    int32_t given = 0;
    while (draining_ && given < frames) {
        const int32_t asked = frames - given < kScratchFrames ? frames - given : kScratchFrames;
        const int32_t run = tail_.Next(scratch_, asked, layout_.channels, effectTail);
        FromScratch(out, run);
        out += size_t(run) * layout_.blockAlign;
        given += run;
        if (tail_.Ended()) EndStream();
    }
    return given;
}

HRESULT MediaObject::ProcessOutput(DWORD flags, DWORD count, DMO_OUTPUT_DATA_BUFFER* buffers,
                                   DWORD* status) {
    if (!buffers || !status) return E_POINTER;
    *status = 0;
    if (count != 1) return E_INVALIDARG;
    DMO_OUTPUT_DATA_BUFFER& target = buffers[0];
    target.dwStatus = 0;
    LockGuard hold(lock_);
    if (!TypesSet()) return DMO_E_TYPE_NOT_SET;
    if (!pending_ && !draining_) return S_FALSE;
    IMediaBuffer* buffer = target.pBuffer;
    if (!buffer) {
        if (!(flags & DMO_PROCESS_OUTPUT_DISCARD_WHEN_NO_BUFFER)) return E_POINTER;
        // Nowhere to put it: the input still goes through the effect, so the
        // reverberation stays continuous; a tail is dropped.
        if (pending_) {
            RunFrames(pendingData_, nullptr, pendingFrames_);
            DropInput();
            if (endAfterPending_) EndStream();
        } else {
            EndStream();
        }
        return S_OK;
    }
    BYTE* data = nullptr;
    DWORD used = 0, capacity = 0;
    HRESULT hr = buffer->GetBufferAndLength(&data, &used);
    if (SUCCEEDED(hr)) hr = buffer->GetMaxLength(&capacity);
    if (FAILED(hr)) return hr;
    if (!data || used > capacity) return E_INVALIDARG;
    const DWORD room = (capacity - used) / layout_.blockAlign;
    const int32_t space = room > DWORD(INT32_MAX) ? INT32_MAX : int32_t(room);
    BYTE* out = data + used;
    const REFERENCE_TIME start = TimeAt(anchorFrames_);
    int32_t frames = 0;
    if (pending_) {
        frames = pendingFrames_ < space ? pendingFrames_ : space;
        RunFrames(pendingData_, out, frames);
        pendingData_ += size_t(frames) * layout_.blockAlign;
        pendingFrames_ -= frames;
        if (pendingFrames_ == 0) {
            DropInput();
            if (endAfterPending_) EndStream();
        }
    } else {
        frames = RunTail(out, space);
    }
    anchorFrames_ += frames;
    if (frames > 0) {
        hr = buffer->SetLength(used + DWORD(frames) * layout_.blockAlign);
        if (FAILED(hr)) return hr;
        target.dwStatus = DMO_OUTPUT_DATA_BUFFERF_SYNCPOINT | DMO_OUTPUT_DATA_BUFFERF_TIME |
                          DMO_OUTPUT_DATA_BUFFERF_TIMELENGTH;
        target.rtTimestamp = start;
        target.rtTimelength = TimeAt(anchorFrames_) - start;
    }
    if (pending_ || draining_) target.dwStatus |= DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE;
    return frames > 0 ? S_OK : S_FALSE;
}

// In place: DMO_INPLACE_NORMAL buffers are the stream; S_FALSE says a tail
// follows, which the caller fetches with zeroed DMO_INPLACE_ZERO buffers
// until S_OK.
HRESULT MediaObject::Process(ULONG size, BYTE* data, REFERENCE_TIME, DWORD flags) {
    if (!data) return E_POINTER;
    LockGuard hold(lock_);
    if (!TypesSet()) return DMO_E_TYPE_NOT_SET;
    const ULONG frames = size / layout_.blockAlign;
    if (frames > ULONG(INT32_MAX)) return E_INVALIDARG;
    StartStreamIfNeeded();
    if (flags & DMO_INPLACE_ZERO) {
        std::memset(data, 0, size_t(frames) * layout_.blockAlign);
        if (!draining_) {
            if (!hasData_ || !WantsTail()) return S_OK;
            BeginTail();
        }
        RunTail(data, int32_t(frames));
        return draining_ ? S_FALSE : S_OK;
    }
    draining_ = false;
    RunFrames(data, data, int32_t(frames));
    return WantsTail() ? S_FALSE : S_OK;
}

// A new media object with the same types and the same effect settings.
HRESULT MediaObject::Clone(IMediaObjectInPlace** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    IUnknown* inner = nullptr;
    HRESULT hr =
        CreateMediaObject(factory_, nullptr, IID_IUnknown, reinterpret_cast<void**>(&inner));
    if (FAILED(hr)) return hr;
    IMediaObject* copy = nullptr;
    inner->QueryInterface(IID_IMediaObject, reinterpret_cast<void**>(&copy));
    LockGuard hold(lock_);
    if (input_.IsSet()) hr = copy->SetInputType(0, &input_.Type(), 0);
    if (SUCCEEDED(hr) && output_.IsSet()) hr = copy->SetOutputType(0, &output_.Type(), 0);
    IInPlaceEffect* effect = nullptr;
    if (SUCCEEDED(hr))
        hr = copy->QueryInterface(IID_IInPlaceEffect, reinterpret_cast<void**>(&effect));
    if (SUCCEEDED(hr)) {
        BYTE params[kMaxParamsBytes];
        const int32_t bytes = effect_->GetParamsSize();
        if (bytes > 0 && bytes <= kMaxParamsBytes && effect_->GetParams(params, bytes) == 1)
            effect->SetParams(params, bytes);
        effect->Release();
        hr = copy->QueryInterface(IID_IMediaObjectInPlace, reinterpret_cast<void**>(out));
    }
    copy->Release();
    inner->Release();
    return hr;
}

HRESULT MediaObject::GetLatency(REFERENCE_TIME* latency) {
    if (!latency) return E_POINTER;
    *latency = 0;
    return S_OK;
}

}  // namespace

HRESULT CreateMediaObject(IInPlaceFactory* factory, IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    IUnknown* made = factory->CreateEffect();
    if (!made) return E_OUTOFMEMORY;
    made->AddRef();
    IInPlaceEffect* effect = nullptr;
    IReverbControl* control = nullptr;
    HRESULT hr = made->QueryInterface(IID_IInPlaceEffect, reinterpret_cast<void**>(&effect));
    if (SUCCEEDED(hr)) made->QueryInterface(IID_IReverbControl, reinterpret_cast<void**>(&control));
    made->Release();
    if (FAILED(hr)) return hr;
    MediaObject* object = new (std::nothrow) MediaObject(factory, outer, effect, control);
    if (!object) {
        if (control) control->Release();
        effect->Release();
        return E_OUTOFMEMORY;
    }
    IUnknown* inner = object->Inner();
    inner->AddRef();
    hr = inner->QueryInterface(iid, out);
    inner->Release();
    return hr;
}

}  // namespace cwdxpx1
