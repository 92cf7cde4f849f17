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

// Holds a thread inside a buffer for as long as a test needs: the buffer's
// middle page is a guard page, and the first thread to touch it waits in an
// exception handler until Release (the system lifts the guard as it raises
// the exception, so the touch then completes).
class BufferHold {
public:
    explicit BufferHold(size_t pages) : pages_(pages) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        pageBytes_ = system.dwPageSize;
        memory_ = static_cast<char*>(
            VirtualAlloc(nullptr, pages_ * pageBytes_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        reached_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        released_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        active_ = this;
        handler_ = AddVectoredExceptionHandler(1, &BufferHold::Handler);
    }
    ~BufferHold() {
        RemoveVectoredExceptionHandler(handler_);
        active_ = nullptr;
        CloseHandle(released_);
        CloseHandle(reached_);
        VirtualFree(memory_, 0, MEM_RELEASE);
    }
    float* Samples() { return reinterpret_cast<float*>(memory_); }
    size_t SampleCount() const { return pages_ * pageBytes_ / sizeof(float); }

    // The next touch of the middle page stops the thread that makes it.
    void Arm() {
        ResetEvent(reached_);
        ResetEvent(released_);
        DWORD old = 0;
        VirtualProtect(Guard(), pageBytes_, PAGE_READWRITE | PAGE_GUARD, &old);
    }
    bool WaitUntilHeld() { return WaitForSingleObject(reached_, 10000) == WAIT_OBJECT_0; }
    void Release() { SetEvent(released_); }

private:
    char* Guard() const { return memory_ + pages_ / 2 * pageBytes_; }

    static LONG CALLBACK Handler(EXCEPTION_POINTERS* exception) {
        const EXCEPTION_RECORD* record = exception->ExceptionRecord;
        BufferHold* hold = active_;
        if (!hold || record->ExceptionCode != STATUS_GUARD_PAGE_VIOLATION ||
            record->NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        const char* address = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        if (address < hold->Guard() || address >= hold->Guard() + hold->pageBytes_)
            return EXCEPTION_CONTINUE_SEARCH;
        SetEvent(hold->reached_);
        WaitForSingleObject(hold->released_, 30000);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    static BufferHold* active_;
    size_t pages_;
    size_t pageBytes_ = 0;
    char* memory_ = nullptr;
    HANDLE reached_ = nullptr;
    HANDLE released_ = nullptr;
    void* handler_ = nullptr;
};

BufferHold* BufferHold::active_ = nullptr;

// The audio thread is stopped halfway through a buffer, inside the lock,
// and each path is called from a third thread: it must not return until the
// buffer has ended. Correct code can never fail this, however the threads
// are scheduled; a path that skips the lock returns at once, while the
// buffer is still held.
TEST(EffectConcurrency, EveryLockedPathWaitsForTheBufferInProgress) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    StartStream(effect, 2, 44100);
    BufferHold hold(16);
    float* samples = hold.Samples();
    const int32_t frames = int32_t(hold.SampleCount() / 2);
    const volatile float* last = samples + hold.SampleCount() - 1;
    const std::vector<LockedPath> paths = LockedPaths();
    EXPECT_EQ(paths.size(), 10u + 2u * kParamCount);
    HANDLE returned = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (const LockedPath& path : paths) {
        std::fill(samples, samples + hold.SampleCount(), 0.5f);
        hold.Arm();
        std::thread audio([&] { effect->ProcessInPlace(samples, frames); });
        if (!hold.WaitUntilHeld()) {
            hold.Release();
            audio.join();
            ADD_FAILURE() << path.name << ": the buffer never reached its middle";
            continue;
        }
        ResetEvent(returned);
        bool bufferEnded = false;
        std::thread caller([&] {
            path.call(effect, control);
            bufferEnded = *last != 0.5f;
            SetEvent(returned);
        });
        // A path that ignores the lock returns well within this.
        WaitForSingleObject(returned, 50);
        hold.Release();
        audio.join();
        caller.join();
        EXPECT_TRUE(bufferEnded) << path.name << " returned in the middle of a buffer";
    }
    CloseHandle(returned);
    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

}  // namespace
}  // namespace lumbrook
