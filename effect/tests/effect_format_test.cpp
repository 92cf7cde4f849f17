// Which wave formats the effect accepts, and that SetFormat stores any record.
#include <gtest/gtest.h>

#include "com_test_support.h"

namespace lumbrook {
namespace {

using namespace test;

TEST(EffectFormat, AcceptsEveryCombinationOfTagWidthAndChannels) {
    IInPlaceEffect* effect = NewEffect();
    for (WORD tag : {WORD(1), WORD(3)})
        for (WORD bits : {WORD(16), WORD(32)})
            for (WORD channels : {WORD(1), WORD(2)})
                for (DWORD rate : {DWORD(8000), DWORD(44100), DWORD(0), DWORD(4000000000u)}) {
                    WAVEFORMATEX format = Format(tag, channels, rate, bits);
                    format.nBlockAlign = 0;  // not examined
                    format.cbSize = 22;
                    EXPECT_EQ(effect->IsFormatSupported(&format), 1)
                        << "tag " << tag << " bits " << bits << " channels " << channels;
                }
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectFormat, RefusesOtherTagsWidthsAndChannelCounts) {
    IInPlaceEffect* effect = NewEffect();
    const struct {
        WORD tag, channels, bits;
    } refused[] = {
        {1, 2, 8},  {1, 2, 24},      {3, 2, 24},      {3, 2, 64}, {1, 3, 16}, {3, 6, 32},
        {1, 0, 16}, {0xFFFE, 2, 16}, {0xFFFE, 2, 32}, {2, 2, 16}, {0, 1, 16}, {6, 1, 16},
    };
    for (const auto& r : refused) {
        const WAVEFORMATEX format = Format(r.tag, r.channels, 44100, r.bits);
        EXPECT_EQ(effect->IsFormatSupported(&format), 0)
            << "tag " << r.tag << " channels " << r.channels << " bits " << r.bits;
    }
    EXPECT_EQ(effect->IsFormatSupported(nullptr), 0);
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectFormat, SetFormatStoresEvenARefusedRecord) {
    IInPlaceEffect* effect = NewEffect();
    const WAVEFORMATEX sixChannels = Format(0xFFFE, 6, 22050, 24);
    EXPECT_EQ(effect->SetFormat(&sixChannels), 1);
    EXPECT_EQ(effect->ResetStream(), 1);
    EXPECT_EQ(AsEffect(effect)->Coefficients().sampleRate, 22050u);
    // Six channels are never processed: the buffer stays as it was.
    float buffer[12] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    EXPECT_EQ(effect->ProcessInPlace(buffer, 2), 1);
    for (float s : buffer) EXPECT_EQ(s, 0.5f);
    EXPECT_EQ(effect->SetFormat(nullptr), 0);
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectFormat, ChannelCountChangeTakesEffectWithoutAReset) {
    IInPlaceEffect* effect = NewEffect();
    StartStream(effect, 2, 44100);
    const WAVEFORMATEX mono = Format(3, 1, 44100, 32);
    EXPECT_EQ(effect->SetFormat(&mono), 1);
    float buffer[2] = {1.0f, 1.0f};
    EXPECT_EQ(effect->ProcessInPlace(buffer, 1), 1);
    EXPECT_EQ(buffer[0], 0.8f);
    EXPECT_EQ(buffer[1], 1.0f);  // one frame of mono: the second sample is not touched
    EXPECT_EQ(effect->Release(), 0u);
}

}  // namespace
}  // namespace lumbrook
