// Parameter paths of the engine: construction, the block setter, the single
// setters and the stream reset. Which path refreshes which value follows one
// rule: lengths depend on the rate and change at a reset or by their own
// setter; everything else follows the block at once. Every value is derived
// from the setting clamped to 0..1 (UnitSetting), while the block keeps it.
#include "reverb_engine.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "coefficients.h"

namespace lumbrook {

static_assert(alignof(ReverbEngine) <= alignof(std::max_align_t), "calloc must align an engine");

ReverbEngine::ReverbEngine() {
    Start(false);
}

ReverbEngine::ReverbEngine(ZeroFilledBlock) {
    Start(true);
}

std::unique_ptr<ReverbEngine> ReverbEngine::Create() {
    ReverbEngine* engine = NewZeroFilled<ReverbEngine>();
    if (!engine) throw std::bad_alloc();
    return std::unique_ptr<ReverbEngine>(engine);
}

void ReverbEngine::Start(bool linesAreZeros) {
    std::memset(&coef_, 0, sizeof coef_);
    if (!linesAreZeros) std::memset(&net_, 0, sizeof net_);
    extents_ = {};
    WidenExtents();
    params_ = DefaultParams();
    RefreshFromBlock();
}

void ReverbEngine::SetParams(const ReverbParams& params) {
    params_ = params;
    RefreshFromBlock();
}

// What a new block (construction, SetParams, a preset) refreshes: every
// coefficient but the two lengths, which depend on the rate and wait for the
// next reset, and then bypass, which a block always switches off whatever it
// holds: bypass is a live switch, never restored from a saved block.
void ReverbEngine::RefreshFromBlock() {
    coef_.feedback = FeedbackFrom(UnitSetting(params_.roomSize));
    for (ParamId id : {ParamId::Damping, ParamId::EarlyRef, ParamId::ReverbLevel, ParamId::DryLevel,
                       ParamId::LoEq, ParamId::HiEq, ParamId::EnableEq})
        Refresh(id);
    coef_.bypassActive = 0;
}

void ReverbEngine::Refresh(ParamId id) {
    switch (id) {
    case ParamId::PreDelay:
        coef_.preDelayLength = PreDelayLength(coef_.sampleRate, UnitSetting(params_.preDelay));
        WidenExtents();
        break;
    case ParamId::RoomSize:
        coef_.feedback = FeedbackFrom(UnitSetting(params_.roomSize));
        coef_.earlyLength =
            EarlyLength(SamplesPerMs(coef_.sampleRate), UnitSetting(params_.roomSize));
        WidenExtents();
        break;
    case ParamId::Damping:
        coef_.damp1 = Damp1From(UnitSetting(params_.damping));
        coef_.damp2 = Damp2From(UnitSetting(params_.damping));
        break;
    case ParamId::EarlyRef: coef_.earlyGain = EarlyGainFrom(UnitSetting(params_.earlyRef)); break;
    case ParamId::ReverbLevel: coef_.wetGain = UnitSetting(params_.reverbLevel); break;
    case ParamId::DryLevel: coef_.dryGain = UnitSetting(params_.dryLevel); break;
    case ParamId::LoEq: coef_.loShelfGain = ShelfGainFrom(UnitSetting(params_.loEq)); break;
    case ParamId::HiEq: coef_.hiShelfGain = ShelfGainFrom(UnitSetting(params_.hiEq)); break;
    case ParamId::ExtendTail: break;  // read directly by ProcessTail
    case ParamId::EnableEq: coef_.eqEnabled = params_.enableEq; break;
    case ParamId::Bypass: coef_.bypassActive = params_.bypass; break;
    case ParamId::Count: break;
    }
}

void ReverbEngine::SetFloat(ParamId id, float value) {
    if (id < ParamId::PreDelay || id >= ParamId::Count) return;
    const ParamInfo& info = Param(id);
    if (info.kind != ParamKind::Continuous) return;
    params_.*info.floatField = value;
    Refresh(id);
}

void ReverbEngine::SetSwitch(ParamId id, int32_t value) {
    if (id < ParamId::PreDelay || id >= ParamId::Count) return;
    const ParamInfo& info = Param(id);
    if (info.kind != ParamKind::Switch) return;
    params_.*info.switchField = value;
    Refresh(id);
}

float ReverbEngine::GetFloat(ParamId id) const {
    if (id < ParamId::PreDelay || id >= ParamId::Count) return 0.0f;
    const ParamInfo& info = Param(id);
    return info.kind == ParamKind::Continuous ? params_.*info.floatField : 0.0f;
}

int32_t ReverbEngine::GetSwitch(ParamId id) const {
    if (id < ParamId::PreDelay || id >= ParamId::Count) return 0;
    const ParamInfo& info = Param(id);
    return info.kind == ParamKind::Switch ? params_.*info.switchField : 0;
}

void ReverbEngine::ResetStream(uint32_t sampleRate) {
    coef_.sampleRate = sampleRate;
    const float samplesPerMs = SamplesPerMs(sampleRate);
    coef_.preDelayLength = PreDelayLength(sampleRate, UnitSetting(params_.preDelay));
    for (int i = 0; i < kCombCount; ++i)
        coef_.combLength[i] = TuningLength(samplesPerMs, kCombTuningMs[i]);
    for (int i = 0; i < kAllpassCount; ++i)
        coef_.allpassLength[i] = TuningLength(samplesPerMs, kAllpassTuningMs[i]);
    coef_.earlyLength = EarlyLength(samplesPerMs, UnitSetting(params_.roomSize));
    ClearNetwork();
}

namespace {

// A line is used from its start: the extent is how much of it to silence.
void ClearLine(float* line, int32_t extent) {
    std::memset(line, 0, sizeof(float) * size_t(extent));
}

// Reads and writes back one byte in every page the first `length` samples
// of a line span (4 KiB, the smallest page in use): the pages get mapped and
// the samples stay as they are.
void TouchLine(float* line, int32_t length) {
    constexpr size_t kPageBytes = 4096;
    volatile unsigned char* bytes = reinterpret_cast<unsigned char*>(line);
    const size_t size = sizeof(float) * size_t(length < 1 ? 1 : length);
    for (size_t at = 0; at < size; at += kPageBytes) bytes[at] = bytes[at];
    bytes[size - 1] = bytes[size - 1];
}

void Widen(int32_t& extent, int32_t length) {
    const int32_t reach = length < 1 ? 1 : (length > kLineCapacity ? kLineCapacity : length);
    if (reach > extent) extent = reach;
}

// Every member of the state is cleared by name below; one added to the state
// must be added there too.
constexpr size_t kLinesSize = sizeof(NetworkState::earlyLine) + sizeof(NetworkState::preDelayLine) +
                              sizeof(NetworkState::combLine) + sizeof(NetworkState::allpassLine);
constexpr size_t kOthersSize = sizeof(NetworkState::earlyCursor) +
                               sizeof(NetworkState::preDelayCursor) +
                               sizeof(NetworkState::combStore) + sizeof(NetworkState::combCursor) +
                               sizeof(NetworkState::allpassCursor) + sizeof(NetworkState::shelf) +
                               sizeof(NetworkState::tailCount);
static_assert(sizeof(NetworkState) - kLinesSize - kOthersSize < alignof(NetworkState),
              "ClearNetwork must clear every member of NetworkState");

}  // namespace

// The lines as far as they were used since the last clear, then all the
// rest; the extents start again from the current lengths.
void ReverbEngine::ClearNetwork() {
    NetworkState& n = net_;
    for (int ch = 0; ch < 2; ++ch) {
        ClearLine(n.earlyLine[ch], extents_.early[ch]);
        ClearLine(n.preDelayLine[ch], extents_.preDelay);
    }
    for (int i = 0; i < kCombCount; ++i) ClearLine(n.combLine[i], extents_.comb[i]);
    for (int i = 0; i < kAllpassCount; ++i) ClearLine(n.allpassLine[i], extents_.allpass[i]);
    std::memset(n.earlyCursor, 0, sizeof n.earlyCursor);
    std::memset(n.preDelayCursor, 0, sizeof n.preDelayCursor);
    std::memset(n.combStore, 0, sizeof n.combStore);
    std::memset(n.combCursor, 0, sizeof n.combCursor);
    std::memset(n.allpassCursor, 0, sizeof n.allpassCursor);
    std::memset(n.shelf, 0, sizeof n.shelf);
    n.tailCount = 0;
    extents_ = {};
    WidenExtents();
}

// Every line as far as a length can reach at the rate: each setting clamped
// to 0..1 at its longest.
void ReverbEngine::TouchLines() {
    const int32_t earlyReach = EarlyLength(SamplesPerMs(coef_.sampleRate), 1.0f);
    const int32_t preDelayReach = PreDelayLength(coef_.sampleRate, 1.0f);
    NetworkState& n = net_;
    TouchLine(n.earlyLine[0], earlyReach);
    TouchLine(n.earlyLine[1], RightEarlyLength(earlyReach));
    for (int ch = 0; ch < 2; ++ch) TouchLine(n.preDelayLine[ch], preDelayReach);
    for (int i = 0; i < kCombCount; ++i) TouchLine(n.combLine[i], coef_.combLength[i]);
    for (int i = 0; i < kAllpassCount; ++i) TouchLine(n.allpassLine[i], coef_.allpassLength[i]);
}

// The right early line runs shorter than the left (see PrepareCall); both
// pre-delay lines share one length.
void ReverbEngine::WidenExtents() {
    Widen(extents_.early[0], coef_.earlyLength);
    Widen(extents_.early[1], RightEarlyLength(coef_.earlyLength));
    Widen(extents_.preDelay, coef_.preDelayLength);
    for (int i = 0; i < kCombCount; ++i) Widen(extents_.comb[i], coef_.combLength[i]);
    for (int i = 0; i < kAllpassCount; ++i) Widen(extents_.allpass[i], coef_.allpassLength[i]);
}

}  // namespace lumbrook
