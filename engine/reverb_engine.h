// The reverb engine: the parameter block, the coefficients derived from it,
// and the network state (28 delay lines held inline, comb stores, shelving
// filters). Portable C++ with no locking: the owner serialises every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "network_state.h"
#include "reverb_params.h"
#include "tuning.h"
#include "zero_filled.h"

namespace lumbrook {

// What the processing calls need of the negotiated wave format.
struct BufferFormat {
    uint32_t channelCount;  // 1 or 2; any other count is never processed
    uint32_t sampleRate;    // sets the tail budget of ProcessTail
};

// Values the processing reads, derived from the block and the sample rate.
struct EngineCoefficients {
    uint32_t sampleRate;
    int32_t combLength[kCombCount];
    int32_t allpassLength[kAllpassCount];
    int32_t preDelayLength;
    float feedback, damp1, damp2, earlyGain;
    int32_t earlyLength;
    float wetGain, dryGain, loShelfGain, hiShelfGain;
    int32_t eqEnabled, bypassActive;
};

// How far into each line samples may have been written since the lines were
// last cleared: the longest length each has had, at least 1 (a line of
// length 0 still passes its samples through its first slot). A cursor never
// goes past this mark, so silencing each line up to it silences every read.
struct LineExtents {
    int32_t early[2];  // left, right
    int32_t preDelay;  // both channels
    int32_t comb[kCombCount];
    int32_t allpass[kAllpassCount];
};

// The frames of tail a stream may get after its last frame: ten seconds.
constexpr int64_t TailBudgetFrames(uint32_t sampleRate) {
    return int64_t(kTailSeconds) * sampleRate;
}

// The frames one ProcessTail call delivered, as every caller counts them:
// all it was asked for while the tail goes on. The call that ends it reports
// no count; it delivered what was left of the budget after `delivered`.
inline int32_t TailCallFrames(bool more, int32_t done, int32_t asked, int64_t delivered,
                              int64_t budget) {
    if (more) return done;
    const int64_t left = budget - delivered;
    return left <= 0 ? 0 : left < asked ? int32_t(left) : asked;
}

struct CallSettings;

// The tail of one stream, call by call, as every caller runs it: each call
// hands a silenced buffer to a ProcessTail (the engine's, or an effect's
// through its interface) and counts the frames it delivered; the first call
// that reports no more ends the tail. budget: TailBudgetFrames of the rate,
// or 0 where the caller has no budget to count against.
class TailStream {
public:
    explicit TailStream(int64_t budget = 0) : budget_(budget) {}

    // process(at, frames, &done) runs ProcessTail over `frames` frames of
    // `channels` interleaved samples at `at` and answers whether the tail
    // goes on. Gives the frames of `at` that belong to the tail.
    template <typename ProcessTail>
    int32_t Next(float* at, int32_t frames, uint32_t channels, ProcessTail&& process) {
        for (size_t i = 0, n = size_t(frames) * channels; i < n; ++i) at[i] = 0.0f;
        int32_t done = 0;
        const bool more = process(at, frames, &done);
        const int32_t delivered = TailCallFrames(more, done, frames, delivered_, budget_);
        delivered_ += delivered;
        ended_ = !more;
        return delivered;
    }

    bool Ended() const { return ended_; }
    int64_t Delivered() const { return delivered_; }

private:
    int64_t budget_;
    int64_t delivered_ = 0;
    bool ended_ = false;
};

class ReverbEngine : public ZeroFilledStorage {
public:
    // Constructor defaults, and a silent network with every length 0, so that
    // processing before the first ResetStream is defined (it delays by one frame).
    // Constructed anywhere (stack, member, placement), the lines are cleared
    // once, in full. Told that it is built in a fresh zero-filled block (by
    // Create, or by the Create of an object that holds it), it takes them as
    // they come, and pages never touched cost no memory.
    ReverbEngine();
    explicit ReverbEngine(ZeroFilledBlock);
    // An engine on the heap in a zero-filled block of its own; std::bad_alloc
    // without memory.
    static std::unique_ptr<ReverbEngine> Create();
    ReverbEngine(const ReverbEngine&) = delete;
    ReverbEngine& operator=(const ReverbEngine&) = delete;

    const ReverbParams& Params() const { return params_; }

    // Whole-block restore: refreshes every coefficient but the two lengths
    // (they follow at the next ResetStream) and switches bypass off whatever
    // the block holds; the block keeps its bypass value.
    void SetParams(const ReverbParams& params);

    // The single setters store the value unchecked (the getters give it back)
    // and refresh what it drives from the value clamped to 0..1;
    // the lengths come from the sample rate of the last ResetStream. A setter
    // of the wrong kind for the parameter does nothing; a getter gives 0.
    void SetFloat(ParamId id, float value);
    void SetSwitch(ParamId id, int32_t value);
    float GetFloat(ParamId id) const;
    int32_t GetSwitch(ParamId id) const;

    // Starts a stream: derives every length from the rate and silences the
    // whole network (every line as far as it was used since the last clear,
    // cursors, stores, filters, tail budget). Its cost follows the lengths
    // used, not the lines' capacity.
    void ResetStream(uint32_t sampleRate);

    // Writes to every page of the lines that a stream at the last reset's
    // rate can reach, whatever the settings do later, so that processing never
    // meets a page the system has yet to map: for hosts whose audio thread
    // must not fault. Every sample stays as it was. Outside processing.
    void TouchLines();

    // Replaces each frame of interleaved float samples with dry + reverberation
    // + early echo. Nothing happens for frameCount <= 0, a null buffer or a
    // channel count other than 1 or 2.
    void ProcessInPlace(float* buffer, int32_t frameCount, const BufferFormat& format);

    // Writes up to frameCount frames of decaying tail (silence in, no dry term).
    // True when all frames were delivered, with frameCount stored in framesDone;
    // false when extendTail is off, frameCount <= 0, the buffer is null, or the
    // ten-second budget since the last reset ran out (the frames written up to
    // then stay). A channel count other than 1 or 2 writes nothing but counts
    // the frames and answers like any other call.
    bool ProcessTail(float* buffer, int32_t frameCount, const BufferFormat& format,
                     int32_t* framesDone);

    const EngineCoefficients& Coefficients() const { return coef_; }
    const ShelfFilter& Shelf(ShelfIndex index) const { return net_.shelf[index]; }
    int64_t TailCount() const { return net_.tailCount; }

private:
    // What both constructors do; the lines are cleared unless they are zeros.
    void Start(bool linesAreZeros);
    // After a new block: everything but the lengths; bypass off.
    void RefreshFromBlock();
    void Refresh(ParamId id);
    void ClearNetwork();
    // Raises the extents to the current lengths: after anything that may
    // lengthen a line.
    void WidenExtents();
    void PrepareCall(CallSettings& call, uint32_t channelCount, bool tail);
    // Runs frameCount frames (channels 1 or 2) through the network, batch by batch.
    void RunFrames(float* buffer, int32_t frameCount, uint32_t channels, bool tail);

    ReverbParams params_;
    EngineCoefficients coef_;
    NetworkState net_;
    LineExtents extents_;
};

}  // namespace lumbrook
