#include "render_graph.h"

#include <control.h>
#include <evcode.h>
#include <mmreg.h>
#include <qedit.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include "com_support.h"
#include "critical_section.h"
#include "wav_file.h"
#include "wav_header.h"

// In strmiids, though no header of mingw-w64 declares them.
extern "C" const CLSID CLSID_SampleGrabber;
extern "C" const CLSID CLSID_NullRenderer;

namespace lumbrook {

namespace {

// The WAVE Parser; mingw-w64 does not name it.
const CLSID kWaveParserClass = {
    0xD51BD5A1, 0x7548, 0x11CF, {0xA5, 0x20, 0x00, 0x80, 0xC7, 0x7E, 0xF5, 0x8A}};

// What the Sample Grabber was connected with, as a WAV file states it.
struct SampleFormat {
    uint16_t tag = 0, bits = 0;
    uint32_t channels = 0, sampleRate = 0;
};

// Takes each buffer the Sample Grabber hands over on the graph's streaming
// thread and writes it to the output. The first failure stops the writing
// and is kept for the main thread, which reads it once the graph has
// stopped. Lives on the render's stack, declared before the graph, so it
// outlives every reference the grabber holds: the count is not kept.
class SampleWriter final : public ISampleGrabberCB {
public:
    explicit SampleWriter(WavWriter* out) : out_(out) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ISampleGrabberCB))
            return E_NOINTERFACE;
        *out = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE* buffer, LONG size) override {
        LockGuard guard(lock_);
        if (!error_.empty()) return S_OK;
        if (size < 0 || (size > 0 && !buffer)) {
            error_ = "the Sample Grabber passed a buffer of " + std::to_string(size) + " bytes";
        } else if (size > 0 && out_->WriteBytes(buffer, uint64_t(size), &error_)) {
            bytes_ += uint64_t(size);
        }
        return S_OK;
    }

    // The bytes written, or false with the first failure.
    bool Result(uint64_t* bytes, std::string* error) {
        LockGuard guard(lock_);
        *bytes = bytes_;
        if (!error_.empty()) *error = error_;
        return error_.empty();
    }

private:
    CriticalSection lock_;
    WavWriter* out_;
    uint64_t bytes_ = 0;
    std::string error_;
};

ComRef<IBaseFilter> AddNewFilter(IGraphBuilder* graph, const CLSID& clsid, const wchar_t* name,
                                 std::string* error) {
    ComRef<IBaseFilter> filter;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.OutVoid());
    if (SUCCEEDED(hr)) hr = graph->AddFilter(filter.Get(), name);
    if (FAILED(hr)) {
        *error = "the system's " + Narrow(name) + " filter is not available (" + HexCode(hr) + ")";
        filter.Reset();
    }
    return filter;
}

ComRef<IPin> FreePin(IBaseFilter* filter, PIN_DIRECTION direction) {
    ComRef<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Out()))) return {};
    for (;;) {
        ComRef<IPin> pin;
        if (pins->Next(1, pin.Out(), nullptr) != S_OK) return {};
        PIN_DIRECTION pinDirection;
        ComRef<IPin> peer;
        if (SUCCEEDED(pin->QueryDirection(&pinDirection)) && pinDirection == direction &&
            pin->ConnectedTo(peer.Out()) == VFW_E_NOT_CONNECTED)
            return pin;
    }
}

// Connects the two filters' free pins with nothing between them: the graph
// must not slip a converter of its own in front of the effect.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
    ComRef<IPin> out = FreePin(from, PINDIR_OUTPUT);
    ComRef<IPin> in = FreePin(to, PINDIR_INPUT);
    if (!out || !in) return VFW_E_NOT_FOUND;
    return graph->ConnectDirect(out.Get(), in.Get(), nullptr);
}

bool ReadGrabbedFormat(ISampleGrabber* grabber, const std::string& effectName, SampleFormat* format,
                       std::string* error) {
    AM_MEDIA_TYPE type = {};
    const HRESULT hr = grabber->GetConnectedMediaType(&type);
    if (FAILED(hr)) {
        *error = "the Sample Grabber does not tell the format it takes (" + HexCode(hr) + ")";
        return false;
    }
    bool known = IsEqualGUID(type.majortype, MEDIATYPE_Audio) &&
                 IsEqualGUID(type.formattype, FORMAT_WaveFormatEx) &&
                 type.cbFormat >= sizeof(PCMWAVEFORMAT) && type.pbFormat;
    if (known) {
        const WAVEFORMATEX* wave = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
        format->tag = wave->wFormatTag;
        // The sub-format GUIDs share their tail: the first field is the tag.
        if (format->tag == WAVE_FORMAT_EXTENSIBLE && type.cbFormat >= sizeof(WAVEFORMATEXTENSIBLE))
            format->tag =
                WORD(reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(wave)->SubFormat.Data1);
        format->bits = wave->wBitsPerSample;
        format->channels = wave->nChannels;
        format->sampleRate = wave->nSamplesPerSec;
        known = format->channels > 0 &&
                ((format->tag == kWavFloat && format->bits == 32) ||
                 (format->tag == kWavPcm &&
                  (format->bits == 16 || format->bits == 24 || format->bits == 32)));
    }
    CoTaskMemFree(type.pbFormat);
    if (type.pUnk) type.pUnk->Release();
    if (!known)
        *error = effectName +
                 " delivers a format that is not 32-bit float or 16-, 24- or 32-bit PCM audio";
    return known;
}

}  // namespace

bool RenderThroughGraph(const GraphJob& job, IBaseFilter* effect, std::string* error) {
    // Declared before the graph: see SampleWriter.
    WavWriter out;
    SampleWriter writer(&out);

    ComRef<IGraphBuilder> graph;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder, graph.OutVoid());
    if (FAILED(hr)) {
        *error = "the system has no DirectShow filter graph (" + HexCode(hr) + ")";
        return false;
    }
    // No reference clock: the renderer takes every sample as it comes
    // instead of waiting for its time, so a file renders faster than it plays.
    ComRef<IMediaFilter> timing;
    if (FAILED(graph->QueryInterface(IID_IMediaFilter, timing.OutVoid())) ||
        FAILED(timing->SetSyncSource(nullptr))) {
        *error = "the filter graph cannot run without a clock";
        return false;
    }

    ComRef<IBaseFilter> source =
        AddNewFilter(graph.Get(), CLSID_AsyncReader, L"File Source (Async)", error);
    if (!source) return false;
    ComRef<IFileSourceFilter> file;
    hr = source->QueryInterface(IID_IFileSourceFilter, file.OutVoid());
    if (SUCCEEDED(hr)) hr = file->Load(job.inPath.c_str(), nullptr);
    if (FAILED(hr)) {
        *error = "the File Source cannot open " + job.inSummary + " (" + HexCode(hr) + ")";
        return false;
    }
    ComRef<IBaseFilter> parser = AddNewFilter(graph.Get(), kWaveParserClass, L"WAVE Parser", error);
    if (!parser) return false;
    const std::string effectName = Narrow(job.effectName);
    hr = graph->AddFilter(effect, job.effectName.c_str());
    if (FAILED(hr)) {
        *error = "the graph does not take " + effectName + " (" + HexCode(hr) + ")";
        return false;
    }
    ComRef<IBaseFilter> grabberFilter =
        AddNewFilter(graph.Get(), CLSID_SampleGrabber, L"Sample Grabber", error);
    if (!grabberFilter) return false;
    ComRef<IBaseFilter> renderer =
        AddNewFilter(graph.Get(), CLSID_NullRenderer, L"Null Renderer", error);
    if (!renderer) return false;

    if (FAILED(hr = ConnectFilters(graph.Get(), source.Get(), parser.Get()))) {
        // Wine's parser is GStreamer's wavparse: without the 32-bit plug-ins
        // it refuses every file alike.
        *error = "the WAVE Parser cannot read " + job.inSummary + " (" + HexCode(hr) +
                 "; under Wine it needs the 32-bit GStreamer plug-ins)";
        return false;
    }
    if (FAILED(hr = ConnectFilters(graph.Get(), parser.Get(), effect))) {
        *error =
            effectName + " does not take the audio of " + job.inSummary + " (" + HexCode(hr) + ")";
        return false;
    }
    if (FAILED(hr = ConnectFilters(graph.Get(), effect, grabberFilter.Get())) ||
        FAILED(hr = ConnectFilters(graph.Get(), grabberFilter.Get(), renderer.Get()))) {
        *error = "the Sample Grabber does not take what " + effectName + " delivers (" +
                 HexCode(hr) + ")";
        return false;
    }

    ComRef<ISampleGrabber> grabber;
    SampleFormat format;
    if (FAILED(grabberFilter->QueryInterface(IID_ISampleGrabber, grabber.OutVoid())) ||
        !ReadGrabbedFormat(grabber.Get(), effectName, &format, error))
        return false;
    if (!out.Open(job.outPath, format.tag, format.bits, format.channels, format.sampleRate, error))
        return false;
    grabber->SetBufferSamples(FALSE);
    grabber->SetOneShot(FALSE);
    grabber->SetCallback(&writer, 1);  // 1: BufferCB

    ComRef<IMediaControl> control;
    ComRef<IMediaEvent> events;
    if (FAILED(graph->QueryInterface(IID_IMediaControl, control.OutVoid())) ||
        FAILED(graph->QueryInterface(IID_IMediaEvent, events.OutVoid()))) {
        *error = "the filter graph cannot be run";
        return false;
    }
    if (FAILED(hr = control->Run())) {
        *error = "the graph does not run (" + HexCode(hr) + ")";
        control->Stop();
        return false;
    }
    long event = 0;
    const HRESULT waited = events->WaitForCompletion(job.timeoutMs, &event);
    control->Stop();
    if (waited == E_ABORT) {
        *error = "the graph did not reach the end of " + job.inSummary + " within " +
                 std::to_string(job.timeoutMs / 1000) + " s";
        return false;
    }
    if (FAILED(waited) || event != EC_COMPLETE) {
        *error = "the graph stopped before the end of " + job.inSummary + " (event " +
                 std::to_string(event) + ", " + HexCode(waited) + ")";
        return false;
    }
    uint64_t bytes = 0;
    if (!writer.Result(&bytes, error)) return false;
    const uint64_t frameBytes = uint64_t(format.channels) * (format.bits / 8);
    if (bytes % frameBytes != 0) {
        *error = effectName + " delivered " + std::to_string(bytes) +
                 " bytes, not a whole number of frames";
        return false;
    }
    return out.Commit(error);
}

}  // namespace lumbrook
