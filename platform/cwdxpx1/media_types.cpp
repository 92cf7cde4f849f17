#include "media_types.h"

#include <mmreg.h>
#include <uuids.h>

#include <cstring>

namespace cwdxpx1 {

namespace {

// The subtype a stream of the given format tag carries.
GUID SubtypeOfTag(WORD tag) {
    GUID subtype = MEDIASUBTYPE_PCM;
    subtype.Data1 = tag;
    return subtype;
}

}  // namespace

bool ReadLayout(const DMO_MEDIA_TYPE& type, SampleLayout* layout) {
    if (!IsEqualGUID(type.majortype, MEDIATYPE_Audio) ||
        !IsEqualGUID(type.formattype, FORMAT_WaveFormatEx) || !type.pbFormat ||
        type.cbFormat < sizeof(WAVEFORMATEX))
        return false;
    WAVEFORMATEX format;
    std::memcpy(&format, type.pbFormat, sizeof format);
    WORD tag = format.wFormatTag;
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        if (format.cbSize < sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX) ||
            type.cbFormat < sizeof(WAVEFORMATEXTENSIBLE))
            return false;
        WAVEFORMATEXTENSIBLE extensible;
        std::memcpy(&extensible, type.pbFormat, sizeof extensible);
        const WORD valid = extensible.Samples.wValidBitsPerSample;
        if (valid != 0 && valid != format.wBitsPerSample) return false;
        if (IsEqualGUID(extensible.SubFormat, MEDIASUBTYPE_PCM))
            tag = WAVE_FORMAT_PCM;
        else if (IsEqualGUID(extensible.SubFormat, MEDIASUBTYPE_IEEE_FLOAT))
            tag = WAVE_FORMAT_IEEE_FLOAT;
        else
            return false;
    }
    // The subtype names the samples, by either name a parser may give them.
    if (!IsEqualGUID(type.subtype, SubtypeOfTag(tag)) &&
        !IsEqualGUID(type.subtype, SubtypeOfTag(format.wFormatTag)))
        return false;
    const uint32_t bits = format.wBitsPerSample;
    const bool isFloat = tag == WAVE_FORMAT_IEEE_FLOAT;
    if (isFloat ? bits != 32 : tag != WAVE_FORMAT_PCM || (bits != 16 && bits != 24 && bits != 32))
        return false;
    const uint32_t channels = format.nChannels;
    if (channels != 1 && channels != 2) return false;
    if (format.nSamplesPerSec == 0 || format.nSamplesPerSec > lumbrook::kMaxSampleRate)
        return false;
    if (format.nBlockAlign != channels * bits / 8) return false;
    *layout = {isFloat, bits, channels, format.nSamplesPerSec, format.nBlockAlign};
    return true;
}

WAVEFORMATEX EffectFormatOf(const SampleLayout& layout) {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = WORD(layout.channels);
    format.nSamplesPerSec = layout.rate;
    format.wBitsPerSample = 32;
    format.nBlockAlign = WORD(layout.channels * 4);
    format.nAvgBytesPerSec = layout.rate * format.nBlockAlign;
    return format;
}

bool OfferedType(DWORD index, DMO_MEDIA_TYPE* type) {
    if (index > 1) return false;
    std::memset(type, 0, sizeof *type);
    type->majortype = MEDIATYPE_Audio;
    type->subtype = index == 0 ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    type->formattype = GUID_NULL;
    return true;
}

bool SameType(const DMO_MEDIA_TYPE& a, const DMO_MEDIA_TYPE& b) {
    return IsEqualGUID(a.majortype, b.majortype) && IsEqualGUID(a.subtype, b.subtype) &&
           IsEqualGUID(a.formattype, b.formattype) && a.cbFormat == b.cbFormat &&
           (a.cbFormat == 0 ||
            (a.pbFormat && b.pbFormat && std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0));
}

HRESULT OwnedType::Assign(const DMO_MEDIA_TYPE& type) {
    Clear();
    BYTE* format = nullptr;
    if (type.cbFormat) {
        if (!type.pbFormat) return E_POINTER;
        format = static_cast<BYTE*>(CoTaskMemAlloc(type.cbFormat));
        if (!format) return E_OUTOFMEMORY;
        std::memcpy(format, type.pbFormat, type.cbFormat);
    }
    type_ = type;
    type_.pbFormat = format;
    type_.pUnk = nullptr;  // a holder the stream has no use for
    set_ = true;
    return S_OK;
}

void OwnedType::Clear() {
    if (type_.pbFormat) CoTaskMemFree(type_.pbFormat);
    type_ = {};
    set_ = false;
}

HRESULT OwnedType::CopyTo(DMO_MEDIA_TYPE* out) const {
    *out = type_;
    out->pbFormat = nullptr;
    if (type_.cbFormat) {
        out->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type_.cbFormat));
        if (!out->pbFormat) {
            out->cbFormat = 0;
            return E_OUTOFMEMORY;
        }
        std::memcpy(out->pbFormat, type_.pbFormat, type_.cbFormat);
    }
    return S_OK;
}

}  // namespace cwdxpx1
