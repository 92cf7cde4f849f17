// One thread processes while others change parameters, exchange blocks and
// load presets: no crash, no deadlock, no torn block, and the host's
// synchronisation slots wait for a buffer in progress.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "com_test_support.h"
#include "factory_presets.h"

namespace lumbrook {
namespace {

using namespace test;

bool IsKnownBlock(const ReverbParams& block, const ReverbParams* known, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (std::memcmp(&block, &known[i], kParamsSize) == 0) return true;
    for (const PresetRecord& preset : kFactoryPresets)
        if (std::memcmp(&block, &preset.params, kParamsSize) == 0) return true;
    return false;
}

TEST(EffectConcurrency, BlocksAreNeverSeenHalfWritten) {
    IInPlaceEffect* effect = NewEffect();
    IEffectPresets* presets = Query<IEffectPresets>(effect, IID_IEffectPresets);
    StartStream(effect, 2, 44100);
    const ReverbParams blocks[] = {
        {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 1, 1, 0},
        {0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0, 0, 1},
    };
    effect->SetParams(&blocks[0], 44);
    std::atomic<bool> stop{false};
    std::atomic<int> badFrames{0}, tornBlocks{0}, reads{0}, processed{0};

    std::thread audio([&] {
        std::vector<float> buffer(2 * 256);
        while (!stop) {
            for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = (i % 7) * 0.1f - 0.3f;
            effect->ProcessInPlace(buffer.data(), 256);
            for (float s : buffer)
                if (!std::isfinite(s)) ++badFrames;
            ++processed;
        }
    });
    std::thread reader([&] {
        while (!stop) {
            ReverbParams block;
            effect->GetParams(&block, 44);
            if (!IsKnownBlock(block, blocks, 2)) ++tornBlocks;
            ++reads;
        }
    });
    // Start writing once both other threads run, and keep on until the
    // reader has looked many times, however the threads are scheduled.
    while (reads.load() == 0 || processed.load() == 0) Sleep(0);
    for (int i = 0; i < 6000 || (reads.load() < 2000 && i < 2000000); ++i) {
        if (i % 3 == 2)
            presets->LoadPreset(i % kPresetCount);
        else
            effect->SetParams(&blocks[i % 2], 44);
    }
    stop = true;
    audio.join();
    reader.join();
    EXPECT_EQ(tornBlocks.load(), 0);
    EXPECT_EQ(badFrames.load(), 0);
    EXPECT_GT(reads.load(), 0);
    presets->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectConcurrency, EveryPathAtOnceNeitherCrashesNorDeadlocks) {
    IInPlaceEffect* effect = NewEffect();
    StartStream(effect, 2, 48000);
    std::atomic<bool> stop{false};
    std::atomic<int> badFrames{0}, processed{0};
    std::thread audio([&] {
        IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
        control->put_ExtendTail(1);
        std::vector<float> buffer(2 * 300);
        int32_t done;
        for (int n = 0; !stop; ++n) {
            std::fill(buffer.begin(), buffer.end(), 0.25f);
            if (n % 5 == 4)
                effect->ProcessTail(buffer.data(), 300, &done);
            else
                effect->ProcessInPlace(buffer.data(), 300);
            for (float s : buffer)
                if (!std::isfinite(s)) ++badFrames;
            ++processed;
        }
        control->Release();
    });
    while (processed.load() == 0) Sleep(0);  // the writers meet a running stream
    std::vector<std::thread> writers;
    for (int t = 0; t < 3; ++t) {
        writers.emplace_back([&, t] {
            IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
            IEffectPresets* presets = Query<IEffectPresets>(effect, IID_IEffectPresets);
            uint32_t seed = 77u + t;
            for (int i = 0; i < 4000; ++i) {
                seed = seed * 1664525u + 1013904223u;
                const float value = float(seed >> 8) / 16777216.0f;
                switch ((seed >> 28) % 8) {
                case 0: control->put_RoomSize(value); break;
                case 1: control->put_PreDelay(value); break;
                case 2: control->put_HiEq(value); break;
                case 3: presets->LoadPreset(int32_t(seed % kPresetCount)); break;
                case 4: effect->HostSyncB(1, 2, 3); break;
                case 5: control->put_Bypass(int32_t(seed & 1)); break;
                case 6: {
                    ReverbParams block;
                    effect->GetParams(&block, 44);
                    effect->SetParams(&block, 44);
                    break;
                }
                default: if (i % 500 == 0) effect->ResetStream(); break;
                }
            }
            presets->Release();
            control->Release();
        });
    }
    for (std::thread& w : writers) w.join();
    stop = true;
    audio.join();
    EXPECT_EQ(badFrames.load(), 0);
    EXPECT_EQ(effect->Release(), 0u);
}

// A slot may return before a buffer starts or after it ends, never while
// it runs: a buffer seen begun must be seen finished. The buffer is long
// (tens of milliseconds of work), so most attempts catch it running.
TEST(EffectConcurrency, SynchronisationSlotsWaitForTheBufferInProgress) {
    IInPlaceEffect* effect = NewEffect();
    StartStream(effect, 2, 44100);
    constexpr int32_t kFrames = 1500000;
    std::vector<float> buffer(2 * size_t(kFrames), 0.5f);
    for (int slot = 0; slot < 3; ++slot) {
        SCOPED_TRACE(slot);
        int waited = 0;
        for (int attempt = 0; attempt < 20 && waited == 0; ++attempt) {
            std::fill(buffer.begin(), buffer.end(), 0.5f);
            std::atomic<bool> started{false};
            std::thread audio([&] {
                started = true;
                effect->ProcessInPlace(buffer.data(), kFrames);
            });
            while (!started) Sleep(0);
            Sleep(10);  // most often the buffer is under way by now
            const int32_t result = slot == 0 ? effect->HostSyncA()
                                 : slot == 1 ? effect->HostSyncB(0, 0, 0)
                                             : effect->HostSyncC();
            EXPECT_EQ(result, 1);
            const bool begun = buffer[0] != 0.5f;
            const bool finished = buffer[2 * size_t(kFrames) - 1] != 0.5f;
            EXPECT_TRUE(!begun || finished) << "returned in the middle of a buffer";
            if (finished) ++waited;
            audio.join();
        }
        EXPECT_EQ(waited, 1) << "no attempt caught a buffer in progress";
    }
    EXPECT_EQ(effect->Release(), 0u);
}

}  // namespace
}  // namespace lumbrook
