#include "reverb_plugin.h"

#include <cstring>
#include <new>

namespace lumbrook {

std::unique_ptr<ReverbPlugin> ReverbPlugin::Create(uint32_t channels, uint32_t sampleRate,
                                                   bool bypassInverted) {
    if ((channels != 1 && channels != 2) || sampleRate == 0 || sampleRate > kMaxSampleRate)
        return nullptr;
    // The engine holds its delay lines inline (tens of megabytes): a failed
    // allocation is an instantiation the host can report, never a throw.
    return std::unique_ptr<ReverbPlugin>(
        NewZeroFilled<ReverbPlugin>(channels, sampleRate, bypassInverted));
}

ReverbPlugin::ReverbPlugin(ZeroFilledBlock block, uint32_t channels, uint32_t sampleRate,
                           bool bypassInverted)
    : channels_(channels),
      sampleRate_(sampleRate),
      bypassInverted_(bypassInverted),
      fadeFrames_(uint32_t(float(sampleRate) * kFadeMs * 0.001f) + 1),
      engine_(block),
      wetStep_(1.0f / float(fadeFrames_)) {}

void ReverbPlugin::Connect(uint32_t port, void* data) {
    const uint32_t first = FirstControlPort(channels_);
    if (port < channels_)
        input_[port] = static_cast<const float*>(data);
    else if (port < first)
        output_[port - channels_] = static_cast<float*>(data);
    else if (port < first + kControlCount)
        control_[port - first] = static_cast<const float*>(data);
}

// Hosts call this outside the audio thread, which may not fault a page: a
// batch of silence, the shelves included, brings in the processing code and
// the maths it calls, and the lines are mapped as far as the rate can use
// them, before the stream starts afresh.
void ReverbPlugin::Activate() {
    for (bool& known : appliedKnown_) known = false;
    allKnown_ = false;
    ApplyControls();
    engine_.ResetStream(sampleRate_);
    const int32_t eqSwitch = engine_.GetSwitch(ParamId::EnableEq);
    engine_.SetSwitch(ParamId::EnableEq, 1);
    std::memset(scratch_, 0, sizeof scratch_);
    engine_.ProcessInPlace(scratch_, int32_t(kBatchFrames), {channels_, sampleRate_});
    engine_.SetSwitch(ParamId::EnableEq, eqSwitch);
    engine_.ResetStream(sampleRate_);
    engine_.TouchLines();
    snapBypass_ = true;
}

// The effect's path for automation: one single setter per changed value, so
// a new length takes effect at once and bypass keeps the network running.
// Nearly every run changes nothing: one comparison of all the ports then
// ends it, where a look at each port costs a small buffer dearly.
void ReverbPlugin::ApplyControls() {
    float port[kControlCount];
    for (int i = 0; i < kControlCount; ++i) port[i] = control_[i] ? *control_[i] : applied_[i];
    if (allKnown_ && std::memcmp(port, applied_, sizeof port) == 0) return;
    allKnown_ = true;
    for (int i = 0; i < kControlCount; ++i) {
        if (!control_[i]) {
            allKnown_ = false;
            continue;
        }
        if (appliedKnown_[i] && std::memcmp(&port[i], &applied_[i], sizeof port[i]) == 0) continue;
        applied_[i] = port[i];
        appliedKnown_[i] = true;
        const ParamInfo& param = Param(kPortOrder[i]);
        if (param.id == ParamId::Bypass) {
            const bool on = SwitchFromPort(port[i]) != 0;
            bypassed_ = bypassInverted_ ? !on : on;
        } else if (param.kind == ParamKind::Switch) {
            engine_.SetSwitch(param.id, SwitchFromPort(port[i]));
        } else {
            engine_.SetFloat(param.id, ValueFromPort(param, port[i]));
        }
    }
}

void ReverbPlugin::Run(uint32_t frameCount) {
    if (!input_[0] || !output_[0] || (channels_ == 2 && (!input_[1] || !output_[1]))) return;
    ApplyControls();
    if (snapBypass_) {
        wetShare_ = bypassed_ ? 0.0f : 1.0f;
        snapBypass_ = false;
    }
    ForEachBatch(frameCount,
                 [this](uint32_t offset, uint32_t frames) { RunBatch(offset, frames); });
}

void ReverbPlugin::RunBatch(uint32_t offset, uint32_t frames) {
    const uint32_t channels = channels_;
    // The channel count spelt out in each branch lets the copies run as
    // vector shuffles.
    if (channels == 2) {
        const float* left = input_[0] + offset;
        const float* right = input_[1] + offset;
        for (uint32_t j = 0; j < frames; ++j) {
            scratch_[2 * j] = left[j];
            scratch_[2 * j + 1] = right[j];
        }
    } else {
        std::memcpy(scratch_, input_[0] + offset, sizeof(float) * frames);
    }
    const float target = bypassed_ ? 0.0f : 1.0f;
    const bool fading = wetShare_ != target;
    // The engine's own bypass leaves the buffer as it is while the network
    // runs on: it is on only once a fade out has finished.
    engine_.SetSwitch(ParamId::Bypass, bypassed_ && !fading ? 1 : 0);
    if (fading) std::memcpy(dry_, scratch_, sizeof(float) * frames * channels);
    engine_.ProcessInPlace(scratch_, int32_t(frames), {channels, sampleRate_});
    if (fading) {
        float share = wetShare_;
        for (uint32_t j = 0; j < frames; ++j) {
            share = target > share ? (share + wetStep_ < target ? share + wetStep_ : target)
                                   : (share - wetStep_ > target ? share - wetStep_ : target);
            for (uint32_t ch = 0; ch < channels; ++ch) {
                const uint32_t k = j * channels + ch;
                if (share == 0.0f)
                    scratch_[k] = dry_[k];
                else if (share != 1.0f)
                    scratch_[k] = dry_[k] + (scratch_[k] - dry_[k]) * share;
            }
        }
        wetShare_ = share;
    }
    if (channels == 2) {
        float* left = output_[0] + offset;
        float* right = output_[1] + offset;
        for (uint32_t j = 0; j < frames; ++j) {
            left[j] = scratch_[2 * j];
            right[j] = scratch_[2 * j + 1];
        }
    } else {
        std::memcpy(output_[0] + offset, scratch_, sizeof(float) * frames);
    }
}

}  // namespace lumbrook
