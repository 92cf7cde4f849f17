// The audio media types an effect takes as a media object: what a type says
// about its samples, the partial types it offers, and owned copies.
#pragma once

#include <cstdint>

#include "media_declarations.h"
#include "tuning.h"

namespace cwdxpx1 {

// The samples a media type describes.
struct SampleLayout {
    bool isFloat;         // 32-bit IEEE float; otherwise integer PCM
    uint32_t bits;        // 16, 24 or 32 (float: 32)
    uint32_t channels;    // 1 or 2
    uint32_t rate;        // 1 to lumbrook::kMaxSampleRate
    uint32_t blockAlign;  // bytes per frame
};

// True, with the layout, for audio we take: IEEE float 32-bit (tag 3, or
// WAVE_FORMAT_EXTENSIBLE with the float subformat) or PCM 16, 24 or 32-bit
// (tag 1, or EXTENSIBLE with the PCM subformat and every bit valid), mono or
// stereo, with a frame size that matches. The effect is asked separately.
bool ReadLayout(const DMO_MEDIA_TYPE& type, SampleLayout* layout);

// The plain format record the effect is offered for a layout: 32-bit float,
// which is what its buffers carry whatever the stream holds.
WAVEFORMATEX EffectFormatOf(const SampleLayout& layout);

// The index'th partial type offered on the input (float, then PCM), with no
// format block; false past the end.
bool OfferedType(DWORD index, DMO_MEDIA_TYPE* type);

// Whole-type equality: major type, subtype, format type and format bytes.
bool SameType(const DMO_MEDIA_TYPE& a, const DMO_MEDIA_TYPE& b);

// A media type that owns its format block.
class OwnedType {
public:
    OwnedType() = default;
    ~OwnedType() { Clear(); }
    OwnedType(const OwnedType&) = delete;
    OwnedType& operator=(const OwnedType&) = delete;

    bool IsSet() const { return set_; }
    const DMO_MEDIA_TYPE& Type() const { return type_; }
    // E_OUTOFMEMORY leaves it clear.
    HRESULT Assign(const DMO_MEDIA_TYPE& type);
    void Clear();
    // A copy for a caller, who frees it with MoFreeMediaType.
    HRESULT CopyTo(DMO_MEDIA_TYPE* out) const;

private:
    DMO_MEDIA_TYPE type_ = {};
    bool set_ = false;
};

}  // namespace cwdxpx1
