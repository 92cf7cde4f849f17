// An effect as a DirectX Media Object, driven as DMO hosts drive it: type
// negotiation, aggregation, the two ways of processing, PCM, the end of a
// stream and its tail, flushes, and the registry entries that let hosts find it.
#include <gtest/gtest.h>

#include <dshow.h>
#include <olectl.h>

#include <vector>

#include "active_movie_manager.h"
#include "com_test_support.h"
#include "derived_classes.h"
#include "media_declarations.h"
#include "pcm_samples.h"
#include "registry_support.h"
#include "reverb_engine.h"

#include <dmoreg.h>

namespace lumbrook {
namespace {

using namespace test;

#define ASSERT_HR(expected, actual)                                                   \
    ASSERT_EQ(static_cast<uint32_t>(expected), static_cast<uint32_t>(actual))         \
        << "expected 0x" << std::hex << static_cast<uint32_t>(expected) << ", got 0x" \
        << static_cast<uint32_t>(actual)

const GUID kMediaEffectClass = {
    0x9E1A0011, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x11}};
const GUID kMediaObjectClass = cwdxpx1::MediaObjectClassOf(kMediaEffectClass);
const GUID kFilterClass = cwdxpx1::FilterClassOf(kMediaEffectClass);
// An effect recorded after ours, whose registration a test can make fail
// once ours is written (see RegistrationListsTheEffectForHostsAndRemovesItAgain).
const GUID kBlockedEffectClass = {
    0x9E1A0012, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x12}};
constexpr uint32_t kRate = 44100;
constexpr int32_t kPreset = 8;  // "09 - Large Hall 1"

class MediaEffectFactory : public IInPlaceFactory {
public:
    MediaEffectFactory(const GUID& clsid, const WCHAR* name) : clsid_(clsid), name_(name) {}
    const GUID* STDMETHODCALLTYPE GetClassId() override { return &clsid_; }
    const WCHAR* STDMETHODCALLTYPE GetName() override { return name_; }
    IUnknown* STDMETHODCALLTYPE CreateEffect() override {
        return static_cast<IReverbControl*>(ReverbEffect::Create());
    }
    const char* STDMETHODCALLTYPE GetAnsiName() override { return ""; }
    const char* STDMETHODCALLTYPE GetHelpFile() override { return ""; }
    int32_t STDMETHODCALLTYPE GetFlag() override { return 1; }

private:
    GUID clsid_;
    const WCHAR* name_;
};
MediaEffectFactory gMediaFactory(kMediaEffectClass, L"Media Test Reverb");
MediaEffectFactory gBlockedFactory(kBlockedEffectClass, L"Blocked Test Reverb");

// A media buffer over a vector of bytes.
class Buffer final : public IMediaBuffer {
public:
    explicit Buffer(size_t capacity) : bytes_(capacity) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IMediaBuffer))
            return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override { return --count_; }  // lives on the stack
    HRESULT STDMETHODCALLTYPE SetLength(DWORD length) override {
        if (length > bytes_.size()) return E_INVALIDARG;
        length_ = length;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* length) override {
        *length = DWORD(bytes_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE** data, DWORD* length) override {
        if (data) *data = bytes_.data();
        if (length) *length = length_;
        return S_OK;
    }
    void Fill(const void* data, size_t bytes) {
        std::memcpy(bytes_.data(), data, bytes);
        length_ = DWORD(bytes);
    }
    const BYTE* Data() const { return bytes_.data(); }
    DWORD Length() const { return length_; }
    ULONG References() const { return count_; }

private:
    std::vector<BYTE> bytes_;
    DWORD length_ = 0;
    ULONG count_ = 1;
};

// An audio type: tag 1 or 3, or EXTENSIBLE with that subformat.
struct AudioType {
    AudioType(WORD tag, WORD channels, DWORD rate, WORD bits, bool extensible = false) {
        format.Format = Format(tag, channels, rate, bits);
        type.majortype = MEDIATYPE_Audio;
        type.subtype = tag == WAVE_FORMAT_PCM ? MEDIASUBTYPE_PCM : MEDIASUBTYPE_IEEE_FLOAT;
        type.formattype = FORMAT_WaveFormatEx;
        type.cbFormat = sizeof(WAVEFORMATEX);
        type.pbFormat = reinterpret_cast<BYTE*>(&format);
        type.bFixedSizeSamples = TRUE;
        type.lSampleSize = format.Format.nBlockAlign;
        if (extensible) {
            format.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
            format.Format.cbSize = 22;
            format.Samples.wValidBitsPerSample = bits;
            format.dwChannelMask = channels == 2 ? 3 : 4;
            format.SubFormat = type.subtype;
            type.cbFormat = sizeof(WAVEFORMATEXTENSIBLE);
        }
    }
    WAVEFORMATEXTENSIBLE format = {};
    DMO_MEDIA_TYPE type = {};
};

class MediaObject : public ::testing::Test {
protected:
    // Full dry and wet: loud input then passes full scale.
    static void MakeLoud(IReverbControl* control) {
        EXPECT_HR(S_OK, control->put_DryLevel(1.0f));
        EXPECT_HR(S_OK, control->put_ReverbLevel(1.0f));
    }

    static void SetUpTestSuite() {
        ASSERT_HRESULT_SUCCEEDED(CActiveMovieManager::AddFactory(&gMediaFactory));
        ASSERT_HRESULT_SUCCEEDED(CActiveMovieManager::AddFactory(&gBlockedFactory));
    }

    static IClassFactory* ClassObject(const GUID& clsid) {
        void* out = nullptr;
        EXPECT_HR(S_OK, CActiveMovieManager::GetClassObject(clsid, IID_IClassFactory, &out));
        return static_cast<IClassFactory*>(out);
    }

    // A new media object with the type on both streams and the preset loaded.
    static IMediaObject* NewObject(const AudioType& audio, bool tail = false, bool loud = false) {
        IClassFactory* factory = ClassObject(kMediaObjectClass);
        void* out = nullptr;
        EXPECT_HR(S_OK, factory->CreateInstance(nullptr, IID_IMediaObject, &out));
        factory->Release();
        IMediaObject* object = static_cast<IMediaObject*>(out);
        EXPECT_HR(S_OK, object->SetInputType(0, &audio.type, 0));
        EXPECT_HR(S_OK, object->SetOutputType(0, &audio.type, 0));
        IEffectPresets* presets = Query<IEffectPresets>(object, IID_IEffectPresets);
        EXPECT_EQ(presets->LoadPreset(kPreset), 1);
        presets->Release();
        IReverbControl* control = Query<IReverbControl>(object, IID_IReverbControl);
        EXPECT_HR(S_OK, control->put_ExtendTail(tail ? 1 : 0));
        if (loud) MakeLoud(control);
        control->Release();
        return object;
    }

    // What the effect makes of the float samples, called as reverb-host calls
    // it: the stream, then (with the tail) ProcessTail until the ten seconds end.
    static std::vector<float> Reference(std::vector<float> samples, WORD channels, bool tail,
                                        bool loud = false) {
        IInPlaceEffect* effect = NewEffect();
        IEffectPresets* presets = Query<IEffectPresets>(effect, IID_IEffectPresets);
        presets->LoadPreset(kPreset);
        presets->Release();
        AsEffect(effect)->put_ExtendTail(tail ? 1 : 0);
        if (loud) MakeLoud(AsEffect(effect));
        WAVEFORMATEX format = Format(WAVE_FORMAT_IEEE_FLOAT, channels, kRate, 32);
        effect->SetFormat(&format);
        effect->ResetStream();
        effect->ProcessInPlace(samples.data(), int32_t(samples.size() / channels));
        const int64_t budget = tail ? TailBudgetFrames(kRate) : 0;
        std::vector<float> block(size_t(4096) * channels);
        for (int64_t given = 0; tail;) {
            std::fill(block.begin(), block.end(), 0.0f);
            int32_t done = 0;
            const bool more = effect->ProcessTail(block.data(), 4096, &done) == 1;
            const int32_t frames = TailCallFrames(more, done, 4096, given, budget);
            samples.insert(samples.end(), block.begin(), block.begin() + frames * channels);
            given += frames;
            if (!more) break;
        }
        effect->Release();
        return samples;
    }

    // Everything ProcessOutput gives into buffers of `capacity` bytes, until
    // it says there is no more; checks each buffer's time stamps on the way.
    static std::vector<BYTE> Drain(IMediaObject* object, DWORD capacity, int64_t* frames,
                                   DWORD blockAlign) {
        std::vector<BYTE> out;
        for (int guard = 0; guard < 100000; ++guard) {
            Buffer buffer(capacity);
            DMO_OUTPUT_DATA_BUFFER target = {&buffer, 0, 0, 0};
            DWORD status = 1;
            const HRESULT hr = object->ProcessOutput(0, 1, &target, &status);
            EXPECT_TRUE(hr == S_OK || hr == S_FALSE) << std::hex << hr;
            if (buffer.Length()) {
                const int64_t startFrame = *frames;
                *frames += buffer.Length() / blockAlign;
                EXPECT_EQ(target.dwStatus & 7u, 7u);  // sync point, time and length
                EXPECT_EQ(target.rtTimestamp, startFrame * 10000000 / kRate);
                EXPECT_EQ(target.rtTimestamp + target.rtTimelength, *frames * 10000000 / kRate);
            }
            out.insert(out.end(), buffer.Data(), buffer.Data() + buffer.Length());
            if (!(target.dwStatus & DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE)) break;
        }
        return out;
    }

    // The stream through ProcessInput and ProcessOutput in pieces of
    // `inputFrames` with output buffers of `outputBytes`, then its end.
    static std::vector<BYTE> Stream(IMediaObject* object, const std::vector<BYTE>& input,
                                    DWORD blockAlign, DWORD inputFrames, DWORD outputBytes) {
        // A host marks the first buffer as a discontinuity: before any data
        // it ends nothing.
        EXPECT_HR(S_OK, object->Discontinuity(0));
        Buffer none(64);
        DMO_OUTPUT_DATA_BUFFER nothing = {&none, 0, 0, 0};
        DWORD status = 0;
        EXPECT_HR(S_FALSE, object->ProcessOutput(0, 1, &nothing, &status));
        std::vector<BYTE> out;
        int64_t frames = 0;
        for (size_t at = 0; at < input.size(); at += size_t(inputFrames) * blockAlign) {
            const size_t bytes =
                std::min<size_t>(size_t(inputFrames) * blockAlign, input.size() - at);
            Buffer buffer(bytes);
            buffer.Fill(input.data() + at, bytes);
            EXPECT_HR(S_OK, object->ProcessInput(0, &buffer, 0, 0, 0));
            EXPECT_HR(DMO_E_NOTACCEPTING, object->ProcessInput(0, &buffer, 0, 0, 0));
            const std::vector<BYTE> part = Drain(object, outputBytes, &frames, blockAlign);
            EXPECT_EQ(buffer.References(), 1u) << "the input is given back once it is out";
            out.insert(out.end(), part.begin(), part.end());
        }
        EXPECT_HR(S_OK, object->Discontinuity(0));
        const std::vector<BYTE> tail = Drain(object, outputBytes, &frames, blockAlign);
        out.insert(out.end(), tail.begin(), tail.end());
        EXPECT_HR(S_OK, object->GetInputStatus(0, &status));
        EXPECT_EQ(status, DWORD(DMO_INPUT_STATUSF_ACCEPT_DATA));
        return out;
    }
};

template <typename T>
std::vector<BYTE> AsBytes(const std::vector<T>& values) {
    std::vector<BYTE> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

std::vector<float> AsFloats(const std::vector<BYTE>& bytes) {
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
}

void ExpectSameBits(const std::vector<float>& expected, const std::vector<float>& actual,
                    const char* what) {
    ASSERT_EQ(expected.size(), actual.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(Bits(expected[i]), Bits(actual[i])) << what << ": sample " << i;
}

TEST_F(MediaObject, NegotiatesAudioTypesTheEffectTakes) {
    IClassFactory* factory = ClassObject(kMediaObjectClass);
    void* out = nullptr;
    ASSERT_HR(S_OK, factory->CreateInstance(nullptr, IID_IMediaObject, &out));
    factory->Release();
    IMediaObject* object = static_cast<IMediaObject*>(out);
    DWORD inputs = 0, outputs = 0;
    EXPECT_HR(S_OK, object->GetStreamCount(&inputs, &outputs));
    EXPECT_EQ(inputs + outputs * 10, 11u);
    DMO_MEDIA_TYPE offered = {};
    EXPECT_HR(S_OK, object->GetInputType(0, 0, &offered));
    EXPECT_TRUE(IsEqualGUID(offered.subtype, MEDIASUBTYPE_IEEE_FLOAT));
    EXPECT_HR(S_OK, object->GetInputType(0, 1, &offered));
    EXPECT_TRUE(IsEqualGUID(offered.subtype, MEDIASUBTYPE_PCM));
    EXPECT_HR(DMO_E_NO_MORE_ITEMS, object->GetInputType(0, 2, &offered));
    EXPECT_HR(DMO_E_INVALIDSTREAMINDEX, object->GetInputType(1, 0, &offered));
    EXPECT_HR(DMO_E_TYPE_NOT_SET, object->GetOutputType(0, 0, &offered));

    const AudioType accepted[] = {{WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32},
                                  {WAVE_FORMAT_IEEE_FLOAT, 1, 8000, 32, true},
                                  {WAVE_FORMAT_IEEE_FLOAT, 2, 768000, 32, true},
                                  {WAVE_FORMAT_PCM, 2, 48000, 16},
                                  {WAVE_FORMAT_PCM, 1, 44100, 24},
                                  {WAVE_FORMAT_PCM, 2, 96000, 32, true}};
    for (const AudioType& audio : accepted)
        EXPECT_HR(S_OK, object->SetInputType(0, &audio.type, DMO_SET_TYPEF_TEST_ONLY))
            << audio.format.Format.wBitsPerSample << " bits, tag "
            << audio.format.Format.wFormatTag;
    EXPECT_HR(DMO_E_TYPE_NOT_SET, object->GetInputCurrentType(0, &offered));  // tests set nothing

    AudioType refused[] = {{WAVE_FORMAT_PCM, 2, 44100, 8},
                           {WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 64},
                           {WAVE_FORMAT_IEEE_FLOAT, 3, 44100, 32},
                           {WAVE_FORMAT_PCM, 0, 44100, 16},
                           {WAVE_FORMAT_PCM, 2, 0, 16},
                           {WAVE_FORMAT_PCM, 2, 768001, 16},
                           {WAVE_FORMAT_PCM, 2, 44100, 16, true},
                           {WAVE_FORMAT_PCM, 2, 44100, 16},
                           {WAVE_FORMAT_PCM, 2, 44100, 16},
                           {WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32},
                           {WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32}};
    refused[6].format.Samples.wValidBitsPerSample = 12;  // PCM in a wider container
    refused[7].format.Format.nBlockAlign = 3;
    refused[8].type.majortype = MEDIATYPE_Video;
    refused[9].type.cbFormat = sizeof(WAVEFORMATEX) - 1;
    refused[10].type.subtype = MEDIASUBTYPE_PCM;  // the subtype contradicts the format
    for (const AudioType& audio : refused)
        EXPECT_HR(DMO_E_TYPE_NOT_ACCEPTED, object->SetInputType(0, &audio.type, 0))
            << &audio - refused;
    EXPECT_HR(E_POINTER, object->SetInputType(0, nullptr, 0));

    const AudioType stereo(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32, true);
    const AudioType mono(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 32);
    EXPECT_HR(DMO_E_TYPE_NOT_SET, object->SetOutputType(0, &stereo.type, 0));
    EXPECT_HR(S_OK, object->SetInputType(0, &stereo.type, 0));
    EXPECT_HR(DMO_E_TYPE_NOT_ACCEPTED, object->SetOutputType(0, &mono.type, 0));
    EXPECT_HR(S_OK, object->GetOutputType(0, 0, &offered));  // the output is the input
    EXPECT_EQ(offered.cbFormat, DWORD(sizeof(WAVEFORMATEXTENSIBLE)));
    EXPECT_EQ(std::memcmp(offered.pbFormat, &stereo.format, offered.cbFormat), 0);
    MoFreeMediaType(&offered);
    EXPECT_HR(DMO_E_NO_MORE_ITEMS, object->GetOutputType(0, 1, &offered));
    EXPECT_HR(S_OK, object->SetOutputType(0, &stereo.type, 0));
    DWORD size = 0, lookahead = 0, alignment = 0;
    EXPECT_HR(S_OK, object->GetInputSizeInfo(0, &size, &lookahead, &alignment));
    EXPECT_EQ(size, 8u);
    // A new input type drops the output type it no longer matches.
    EXPECT_HR(S_OK, object->SetInputType(0, &mono.type, 0));
    EXPECT_HR(DMO_E_TYPE_NOT_SET, object->GetOutputCurrentType(0, &offered));
    EXPECT_HR(S_OK, object->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR));
    EXPECT_HR(DMO_E_TYPE_NOT_SET, object->GetInputCurrentType(0, &offered));
    EXPECT_EQ(object->Release(), 0u);
}

// An outer object that counts what its inner media object passes on to it.
class Outer final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        ++queries;
        return inner->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
    IUnknown* inner = nullptr;
    int queries = 0;
    ULONG count = 1;
};

TEST_F(MediaObject, AggregatesAndForwardsOnlyTheEffectsOwnInterfaces) {
    IClassFactory* factory = ClassObject(kMediaObjectClass);
    Outer outer;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_HR(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IMediaObject, &out));
    EXPECT_EQ(out, nullptr);
    ASSERT_HR(S_OK, factory->CreateInstance(&outer, IID_IUnknown, &out));
    factory->Release();
    outer.inner = static_cast<IUnknown*>(out);
    IMediaObject* object = Query<IMediaObject>(outer.inner, IID_IMediaObject);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(outer.count, 2u);  // the interfaces count on the outer object
    IMediaObjectInPlace* inPlace = Query<IMediaObjectInPlace>(object, IID_IMediaObjectInPlace);
    EXPECT_EQ(outer.queries, 1);
    ASSERT_NE(inPlace, nullptr);
    inPlace->Release();
    object->Release();

    // The effect's own interfaces are the effect's; nothing else is passed on.
    IInPlaceEffect* effect = Query<IInPlaceEffect>(outer.inner, IID_IInPlaceEffect);
    ASSERT_NE(effect, nullptr);
    for (const GUID* iid : {&IID_IInPlaceEffectAlias, &IID_ISpecifyPropertyPages,
                            &IID_IReverbControl, &IID_IDispatch, &IID_IEffectPresets}) {
        IUnknown* forwarded = Query<IUnknown>(outer.inner, *iid);
        ASSERT_NE(forwarded, nullptr);
        IUnknown* identity = Query<IUnknown>(forwarded, IID_IUnknown);
        EXPECT_EQ(identity, static_cast<IUnknown*>(effect));
        identity->Release();
        forwarded->Release();
    }
    effect->Release();
    for (const GUID* iid :
         {&IID_IEditorNotify, &IID_IPersistStream, &IID_IBaseFilter, &IID_IPropPage}) {
        out = reinterpret_cast<void*>(1);
        EXPECT_HR(E_NOINTERFACE, outer.inner->QueryInterface(*iid, &out));
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(outer.count, 1u);
}

TEST_F(MediaObject, FloatStreamsEqualTheEffectWithAndWithoutTheTail) {
    for (const WORD channels : {WORD(2), WORD(1)}) {
        for (const bool tail : {true, false}) {
            const std::vector<float> input = NoiseBuffer(size_t(5000) * channels, 21);
            const std::vector<float> expected = Reference(input, channels, tail);
            const AudioType audio(WAVE_FORMAT_IEEE_FLOAT, channels, kRate, 32, channels == 2);
            IMediaObject* object = NewObject(audio, tail);
            // Output buffers smaller than the input make ProcessOutput go on.
            const std::vector<BYTE> out =
                Stream(object, AsBytes(input), channels * 4, 1500, 700 * channels * 4 + 3);
            ExpectSameBits(expected, AsFloats(out), tail ? "with the tail" : "without the tail");

            // A second stream after the first ended starts from silence again.
            const std::vector<BYTE> again =
                Stream(object, AsBytes(input), channels * 4, 5000, 65536);
            ExpectSameBits(expected, AsFloats(again), "the second stream");

            // In place: S_FALSE while a tail follows, then zero buffers until S_OK.
            IMediaObjectInPlace* inPlace =
                Query<IMediaObjectInPlace>(object, IID_IMediaObjectInPlace);
            std::vector<float> whole = input;
            EXPECT_HR(S_OK, object->Flush());
            EXPECT_HR(tail ? S_FALSE : S_OK, inPlace->Process(ULONG(whole.size() * 4),
                                                              reinterpret_cast<BYTE*>(whole.data()),
                                                              0, DMO_INPLACE_NORMAL));
            for (HRESULT hr = S_FALSE; hr == S_FALSE;) {
                std::vector<float> block(size_t(3000) * channels, 1.0f);  // zeroed by the call
                hr = inPlace->Process(ULONG(block.size() * 4),
                                      reinterpret_cast<BYTE*>(block.data()), 0, DMO_INPLACE_ZERO);
                whole.insert(whole.end(), block.begin(), block.end());
            }
            whole.resize(expected.size(), 0.0f);  // the last zero buffer runs past the end
            ExpectSameBits(expected, whole, "in place");
            inPlace->Release();
            EXPECT_EQ(object->Release(), 0u);
        }
    }
}

TEST_F(MediaObject, PcmIsConvertedRoundedAndClipped) {
    for (const WORD bits : {WORD(16), WORD(24), WORD(32)}) {
        // Loud noise: with the reverberation added, some samples pass full scale.
        const std::vector<float> noise = NoiseBuffer(4000 * 2, 5);
        const uint32_t bytes = bits / 8;
        std::vector<BYTE> input(noise.size() * bytes);
        for (size_t i = 0; i < noise.size(); ++i) FloatToPcm(noise[i], bits, &input[i * bytes]);
        std::vector<float> asFloats(noise.size());
        for (size_t i = 0; i < noise.size(); ++i) asFloats[i] = PcmToFloat(&input[i * bytes], bits);
        const std::vector<float> expected = Reference(asFloats, 2, false, true);

        const AudioType audio(WAVE_FORMAT_PCM, 2, kRate, bits, bits == 24);
        IMediaObject* object = NewObject(audio, false, true);
        const std::vector<BYTE> out = Stream(object, input, 2 * bytes, 1024, 16384);
        ASSERT_EQ(out.size(), input.size());
        int clipped = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            BYTE sample[4];
            FloatToPcm(expected[i], bits, sample);
            ASSERT_EQ(std::memcmp(sample, &out[i * bytes], bytes), 0)
                << bits << " bits, sample " << i;
            clipped += std::fabs(expected[i]) > 1.0f;
        }
        EXPECT_GT(clipped, 0) << "the test signal must reach the clipping";
        EXPECT_EQ(object->Release(), 0u);
    }
    // Full scale is 2^(bits-1), ties go to even, and past full scale holds at the ends.
    BYTE sample[4] = {};
    const struct {
        float value;
        int32_t expected;
    } cases[] = {{1.5f / 32768, 2}, {2.5f / 32768, 2}, {-0.5f / 32768, 0}, {1.0f, 32767},
                 {-1.0f, -32768},   {-4.0f, -32768},   {NAN, 0},           {INFINITY, 32767}};
    for (const auto& c : cases) {
        FloatToPcm(c.value, 16, sample);
        EXPECT_EQ(int16_t(sample[0] | sample[1] << 8), c.expected) << c.value;
    }
    const BYTE lowest24[] = {0x00, 0x00, 0x80}, highest24[] = {0xFF, 0xFF, 0x7F};
    const BYTE lowest32[] = {0x00, 0x00, 0x00, 0x80}, step32[] = {0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(PcmToFloat(lowest24, 24), -1.0f);
    EXPECT_EQ(PcmToFloat(highest24, 24), 8388607.0f / 8388608.0f);
    EXPECT_EQ(PcmToFloat(lowest32, 32), -1.0f);
    EXPECT_EQ(PcmToFloat(step32, 32), 1.0f / 2147483648.0f);
}

TEST_F(MediaObject, FlushAndNewTypesStartAFreshStream) {
    const AudioType audio(WAVE_FORMAT_IEEE_FLOAT, 2, kRate, 32);
    const std::vector<float> input = NoiseBuffer(12000 * 2, 9);
    const std::vector<float> expected = Reference(input, 2, false);
    IMediaObject* object = NewObject(audio, true);
    // Part of a buffer goes through, then the flush drops the rest and the
    // reverberation it left.
    Buffer first(input.size() * 4);
    first.Fill(input.data(), input.size() * 4);
    EXPECT_HR(S_OK, object->ProcessInput(0, &first, 0, 0, 0));
    EXPECT_EQ(first.References(), 2u);
    Buffer target(4000);
    DMO_OUTPUT_DATA_BUFFER output = {&target, 0, 0, 0};
    DWORD status = 0;
    EXPECT_HR(S_OK, object->ProcessOutput(0, 1, &output, &status));
    EXPECT_EQ(output.dwStatus & DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE,
              DWORD(DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE));
    EXPECT_HR(S_OK, object->Flush());
    EXPECT_EQ(first.References(), 1u);
    EXPECT_HR(S_OK, object->GetInputStatus(0, &status));
    EXPECT_EQ(status, DWORD(DMO_INPUT_STATUSF_ACCEPT_DATA));
    target.SetLength(0);
    EXPECT_HR(S_FALSE, object->ProcessOutput(0, 1, &output, &status));

    IReverbControl* control = Query<IReverbControl>(object, IID_IReverbControl);
    control->put_ExtendTail(0);
    IMediaObjectInPlace* inPlace = Query<IMediaObjectInPlace>(object, IID_IMediaObjectInPlace);
    std::vector<float> whole = input;
    EXPECT_HR(S_OK, inPlace->Process(ULONG(whole.size() * 4), reinterpret_cast<BYTE*>(whole.data()),
                                     0, DMO_INPLACE_NORMAL));
    inPlace->Release();
    ExpectSameBits(expected, whole, "in place after a flush");
    EXPECT_HR(S_OK, object->Flush());
    std::vector<BYTE> out = Stream(object, AsBytes(input), 8, 700, 4096);
    ExpectSameBits(expected, AsFloats(out), "after a flush");
    // Re-setting the same type keeps the stream; a partly processed stream
    // cut by a new type starts over.
    Buffer part(800);
    part.Fill(input.data(), 800);
    EXPECT_HR(S_OK, object->ProcessInput(0, &part, 0, 0, 0));
    const AudioType mono(WAVE_FORMAT_IEEE_FLOAT, 1, kRate, 32);
    EXPECT_HR(S_OK, object->SetInputType(0, &mono.type, 0));
    EXPECT_HR(S_OK, object->SetInputType(0, &audio.type, 0));
    EXPECT_HR(S_OK, object->SetOutputType(0, &audio.type, 0));
    out = Stream(object, AsBytes(input), 8, 2000, 65536);
    ExpectSameBits(expected, AsFloats(out), "after a new type");
    control->Release();
    EXPECT_EQ(object->Release(), 0u);
}

TEST_F(MediaObject, RegistrationListsTheEffectForHostsAndRemovesItAgain) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    const auto listed = [] {
        IEnumDMO* list = nullptr;
        EXPECT_HR(S_OK, DMOEnum(DMOCATEGORY_AUDIO_EFFECT, 0, 0, nullptr, 0, nullptr, &list));
        bool found = false;
        CLSID clsid;
        WCHAR* name = nullptr;
        while (list && list->Next(1, &clsid, &name, nullptr) == S_OK) {
            if (IsEqualGUID(clsid, kMediaObjectClass))
                found = std::wstring(name) == L"Media Test Reverb";
            CoTaskMemFree(name);
        }
        if (list) list->Release();
        return found;
    };
    WCHAR text[40];
    StringFromGUID2(kFilterClass, text, 40);
    const std::wstring filterInstance =
        std::wstring(L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\") + text;
    const std::wstring mediaObjectServer = ClassKey(kMediaObjectClass) + L"\\InprocServer32";
    const auto nothingLeft = [&](const char* when) {
        EXPECT_FALSE(listed()) << when;
        EXPECT_FALSE(KeyExists(filterInstance)) << when;
        for (const GUID* clsid :
             {&kMediaEffectClass, &kMediaObjectClass, &kFilterClass, &kBlockedEffectClass})
            EXPECT_FALSE(KeyExists(ClassKey(*clsid))) << when;
    };
    // Whatever is found later, this test's registration put there.
    nothingLeft("before registering");

    // A registration that fails after ours is listed takes it out again. A
    // volatile class key can hold no lasting key, so the blocked effect's
    // InprocServer32 cannot be written under it.
    const std::wstring blockedKey = ClassKey(kBlockedEffectClass);
    HKEY blocked = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, blockedKey.c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &blocked, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(blocked);
    EXPECT_HR(SELFREG_E_CLASS, CActiveMovieManager::RegisterServer(module));
    nothingLeft("after a failed registration");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, blockedKey.c_str());

    EXPECT_HR(S_OK, CActiveMovieManager::RegisterServer(module));
    EXPECT_TRUE(listed());
    EXPECT_EQ(ReadString(filterInstance, L"FriendlyName"), L"Media Test Reverb");
    EXPECT_EQ(ReadString(mediaObjectServer, L"ThreadingModel"), L"Both");

    // The filter class gives the system's DMO wrapper, already holding our
    // object, which the wrapper makes through COM: the registry names this
    // test program, which is no library, so the class is offered in-process.
    ASSERT_HR(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IClassFactory* mediaObjects = ClassObject(kMediaObjectClass);
    DWORD cookie = 0;
    ASSERT_HR(S_OK, CoRegisterClassObject(kMediaObjectClass, mediaObjects, CLSCTX_INPROC_SERVER,
                                          REGCLS_MULTIPLEUSE, &cookie));
    IClassFactory* filters = ClassObject(kFilterClass);
    IBaseFilter* filter = nullptr;
    ASSERT_HR(S_OK,
              filters->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)));
    filters->Release();
    IEffectPresets* presets = Query<IEffectPresets>(filter, IID_IEffectPresets);
    ASSERT_NE(presets, nullptr);
    int32_t count = 0;
    EXPECT_HR(S_OK, presets->GetPresetCount(&count));
    EXPECT_EQ(count, 14);
    presets->Release();
    EXPECT_EQ(filter->Release(), 0u);
    EXPECT_HR(S_OK, CoRevokeClassObject(cookie));
    mediaObjects->Release();
    CoUninitialize();

    EXPECT_HR(S_OK, CActiveMovieManager::UnregisterServer());
    nothingLeft("after unregistering");
    EXPECT_HR(S_OK, CActiveMovieManager::UnregisterServer());  // nothing left to remove
}

}  // namespace
}  // namespace lumbrook
