// One instance of the reverb as a Linux plug-in (LV2 or LADSPA), behind the
// format's thin C wrapper: the engine, the host's port buffers and the fade
// that keeps bypass from clicking.
//
// Threads, as both formats define them: the constructor and destructor are
// the host's instantiation calls, Activate is never concurrent with Run, and
// Run is the audio thread's. Run neither allocates, locks, calls the system
// nor takes a page fault, and takes any frame count, from one frame a call
// to 2^32 - 1.
#pragma once

#include <cstdint>
#include <memory>

#include "batch.h"
#include "plugin_ports.h"
#include "reverb_engine.h"

namespace lumbrook {

class ReverbPlugin : public ZeroFilledStorage {
public:
    // channels is 1 (the engine's mono network) or 2; sampleRate 1 to
    // kMaxSampleRate, beyond which the lines would clamp every comb to one
    // length. When bypassInverted is set, the bypass port reads as "enabled"
    // (1 = processing), the way LV2 hosts drive their own bypass buttons.
    static std::unique_ptr<ReverbPlugin> Create(uint32_t channels, uint32_t sampleRate,
                                                bool bypassInverted);
    ReverbPlugin(const ReverbPlugin&) = delete;
    ReverbPlugin& operator=(const ReverbPlugin&) = delete;

    // Port numbers as in PortCount: audio inputs, audio outputs, controls.
    // Unknown ports are ignored.
    void Connect(uint32_t port, void* data);

    // Starts a stream: applies the controls, silences the network, and takes
    // the bypass state as it is, without a fade. Afterwards Run finds every
    // page it uses mapped, but for its own stack, which is the audio thread's.
    void Activate();

    // Reads the controls once, applies each change through the engine's
    // single setter, then reverberates frameCount frames from the inputs to
    // the outputs (which may be the same buffers).
    void Run(uint32_t frameCount);

    // Frames a bypass switch takes to fade in or out.
    uint32_t FadeFrames() const { return fadeFrames_; }

    // Frames per pass through the scratch buffers: the network's own batch.
    static constexpr uint32_t kBatchFrames = uint32_t(lumbrook::kBatchFrames);

    // Calls run(offset, frames) for consecutive batches of at most
    // kBatchFrames covering frameCount frames; the count never wraps, even
    // for the largest frameCount.
    template <typename Fn>
    static void ForEachBatch(uint32_t frameCount, Fn&& run) {
        for (uint32_t done = 0; done < frameCount;) {
            const uint32_t frames =
                frameCount - done < kBatchFrames ? frameCount - done : kBatchFrames;
            run(done, frames);
            done += frames;
        }
    }

private:
    // Switching bypass crossfades over this long: short enough to feel
    // immediate, long enough not to click.
    static constexpr float kFadeMs = 5.0f;

    template <typename T, typename... Args>
    friend T* NewZeroFilled(Args&&... args) noexcept;
    ReverbPlugin(ZeroFilledBlock block, uint32_t channels, uint32_t sampleRate,
                 bool bypassInverted);
    void ApplyControls();
    void RunBatch(uint32_t offset, uint32_t frames);

    const uint32_t channels_;
    const uint32_t sampleRate_;
    const bool bypassInverted_;
    const uint32_t fadeFrames_;
    ReverbEngine engine_;
    const float* input_[2] = {};
    float* output_[2] = {};
    const float* control_[kControlCount] = {};
    // The port values last applied, compared as bits; a control is unknown
    // until first read (hosts may connect the controls after Activate).
    float applied_[kControlCount] = {};
    bool appliedKnown_[kControlCount] = {};
    bool allKnown_ = false;   // every control connected and applied
    bool snapBypass_ = true;  // the first Run after Activate does not fade
    bool bypassed_ = false;   // the port's state
    float wetShare_ = 1.0f;   // 1 = processing, 0 = bypassed; between while fading
    float wetStep_;           // the share's change per frame of a fade
    // Written at construction, so that a first run finds their pages mapped.
    float scratch_[kBatchFrames * 2] = {};
    float dry_[kBatchFrames * 2] = {};
};

}  // namespace lumbrook
