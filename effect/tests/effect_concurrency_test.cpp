// One thread processes while others change parameters, exchange blocks and
// load presets: no crash, no deadlock, no torn block, and every locked path
// (the host's synchronisation slots included) waits for a buffer in progress.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "com_test_support.h"
#include "factory_presets.h"
#include "property_access.h"
#include "test_signals.h"

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
            test::Noise noise(77u + t);
            for (int i = 0; i < 4000; ++i) {
                const uint32_t seed = noise.NextU32();
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
                default:
                    if (i % 500 == 0) effect->ResetStream();
                    break;
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

// Every operation that reads or writes the engine, and the three
// synchronisation slots, enter the effect's lock: called while another
// thread is inside a buffer, each returns only after that buffer ends.
struct LockedPath {
    std::string name;
    std::function<void(IInPlaceEffect*, IReverbControl*)> call;
};

std::vector<LockedPath> LockedPaths() {
    static const WAVEFORMATEX stereo = Format(3, 2, 44100, 32);
    std::vector<LockedPath> paths = {
        {"HostSyncA", [](IInPlaceEffect* e, IReverbControl*) { EXPECT_EQ(e->HostSyncA(), 1); }},
        {"HostSyncB",
         [](IInPlaceEffect* e, IReverbControl*) { EXPECT_EQ(e->HostSyncB(0, 0, 0), 1); }},
        {"HostSyncC", [](IInPlaceEffect* e, IReverbControl*) { EXPECT_EQ(e->HostSyncC(), 1); }},
        {"GetParams",
         [](IInPlaceEffect* e, IReverbControl*) {
             ReverbParams block;
             EXPECT_EQ(e->GetParams(&block, kParamsSize), 1);
         }},
        {"SetParams",
         [](IInPlaceEffect* e, IReverbControl*) {
             const ReverbParams block = DefaultParams();
             EXPECT_EQ(e->SetParams(&block, kParamsSize), 1);
         }},
        {"IsFormatSupported",
         [](IInPlaceEffect* e, IReverbControl*) { EXPECT_EQ(e->IsFormatSupported(&stereo), 1); }},
        {"SetFormat",
         [](IInPlaceEffect* e, IReverbControl*) { EXPECT_EQ(e->SetFormat(&stereo), 1); }},
        {"ResetStream", [](IInPlaceEffect* e, IReverbControl*) { EXPECT_EQ(e->ResetStream(), 1); }},
        {"ProcessTail",
         [](IInPlaceEffect* e, IReverbControl*) {
             float buffer[2 * 16] = {};
             int32_t done = 0;
             e->ProcessTail(buffer, 16, &done);
         }},
        {"ProcessInPlace",
         [](IInPlaceEffect* e, IReverbControl*) {
             float buffer[2 * 16] = {};
             EXPECT_EQ(e->ProcessInPlace(buffer, 16), 1);
         }},
    };
    for (const ParamInfo& info : kParamTable) {
        const ParamId id = info.id;
        const std::string property = info.property;
        if (info.kind == ParamKind::Continuous) {
            paths.push_back({"get_" + property, [id](IInPlaceEffect*, IReverbControl* c) {
                                 float value;
                                 EXPECT_HR(S_OK, GetFloatProperty(c, id, &value));
                             }});
            paths.push_back({"put_" + property, [id](IInPlaceEffect*, IReverbControl* c) {
                                 EXPECT_HR(S_OK, PutFloatProperty(c, id, 0.5f));
                             }});
        } else {
            paths.push_back({"get_" + property, [id](IInPlaceEffect*, IReverbControl* c) {
                                 int32_t value;
                                 EXPECT_HR(S_OK, GetSwitchProperty(c, id, &value));
                             }});
            paths.push_back({"put_" + property, [id](IInPlaceEffect*, IReverbControl* c) {
                                 EXPECT_HR(S_OK, PutSwitchProperty(c, id, 0));
                             }});
        }
    }
    return paths;
}

// A path may return before a buffer starts or after it ends, never while it
// runs: a buffer seen begun and unfinished just before the call must be
// finished when the call returns. The buffer is long (tens of milliseconds
// of work), so most attempts catch it running.
TEST(EffectConcurrency, EveryLockedPathWaitsForTheBufferInProgress) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    StartStream(effect, 2, 44100);
    constexpr int32_t kFrames = 600000;
    std::vector<float> buffer(2 * size_t(kFrames), 0.5f);
    const volatile float* first = buffer.data();
    const volatile float* last = buffer.data() + buffer.size() - 1;
    const std::vector<LockedPath> paths = LockedPaths();
    EXPECT_EQ(paths.size(), 10u + 2u * kParamCount);
    for (const LockedPath& path : paths) {
        bool caught = false;
        for (int attempt = 0; attempt < 20 && !caught; ++attempt) {
            std::fill(buffer.begin(), buffer.end(), 0.5f);
            std::atomic<bool> started{false};
            std::thread audio([&] {
                started = true;
                effect->ProcessInPlace(buffer.data(), kFrames);
            });
            while (!started) Sleep(0);
            Sleep(10);  // most often the buffer is under way by now
            const bool running = *first != 0.5f && *last == 0.5f;
            path.call(effect, control);
            if (running) {
                caught = true;
                EXPECT_NE(*last, 0.5f) << path.name << " returned in the middle of a buffer";
            }
            audio.join();
        }
        EXPECT_TRUE(caught) << path.name << ": no attempt caught a buffer in progress";
    }
    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

}  // namespace
}  // namespace lumbrook
