// Helpers for the COM behaviour tests: exact result checks in one format,
// raw slot calls as a binary caller makes them, and effect handles.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "interfaces.h"
#include "reverb_effect.h"
#include "test_signals.h"

namespace lumbrook::test {

// Compares HRESULTs and other 32-bit results, printed in hex.
#define EXPECT_HR(expected, actual)                                                   \
    EXPECT_EQ(static_cast<uint32_t>(expected), static_cast<uint32_t>(actual))         \
        << "expected 0x" << std::hex << static_cast<uint32_t>(expected) << ", got 0x" \
        << static_cast<uint32_t>(actual)

// The slot'th entry of an interface's table, as a caller that knows only the
// slot numbers reaches it.
template <typename Fn>
Fn Slot(const void* object, int slot) {
    void* const* table = *static_cast<void* const* const*>(object);
    Fn fn;
    std::memcpy(&fn, &table[slot], sizeof fn);
    return fn;
}

// A new effect with one reference, seen through IInPlaceEffect.
inline IInPlaceEffect* NewEffect() {
    ReverbEffect* effect = ReverbEffect::Create();
    if (!effect) return nullptr;
    IInPlaceEffect* inPlace = static_cast<IInPlaceEffect*>(effect);
    inPlace->AddRef();
    return inPlace;
}

template <typename T>
T* Query(IUnknown* object, REFIID iid) {
    void* out = nullptr;
    if (FAILED(object->QueryInterface(iid, &out))) return nullptr;
    return static_cast<T*>(out);
}

inline ReverbEffect* AsEffect(IInPlaceEffect* inPlace) {
    return static_cast<ReverbEffect*>(inPlace);
}

inline WAVEFORMATEX Format(WORD tag, WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX format{};
    format.wFormatTag = tag;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = WORD(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

// A stream ready to process: format set and reset.
inline void StartStream(IInPlaceEffect* effect, WORD channels, DWORD rate) {
    const WAVEFORMATEX format = Format(3, channels, rate, 32);
    ASSERT_EQ(effect->SetFormat(&format), 1);
    ASSERT_EQ(effect->ResetStream(), 1);
}

}  // namespace lumbrook::test
