// The LADSPA entry point: stereo and mono descriptors built once from the
// port list, each a thin C shell around ReverbPlugin.
#include <ladspa.h>

#include <cmath>
#include <string>

#include "plugin_ids.h"
#include "reverb_plugin.h"

namespace lumbrook {
namespace {

constexpr uint32_t kMaxPorts = PortCount(2);

// LADSPA offers only a few defaults: the range's ends, its quarter points,
// 0, 1, 100 and 440. A switch is toggled and carries no bounds.
LADSPA_PortRangeHint ControlHint(const ParamInfo& param) {
    const float value = param.defaultValue;
    if (param.kind == ParamKind::Switch)
        return {
            LADSPA_HINT_TOGGLED | (value != 0.0f ? LADSPA_HINT_DEFAULT_1 : LADSPA_HINT_DEFAULT_0),
            0.0f, 0.0f};
    const float low = float(param.unit.min), high = float(param.unit.max);
    const struct {
        LADSPA_PortRangeHintDescriptor hint;
        float value;
    } choices[] = {
        {LADSPA_HINT_DEFAULT_MINIMUM, low},
        {LADSPA_HINT_DEFAULT_LOW, low * 0.75f + high * 0.25f},
        {LADSPA_HINT_DEFAULT_MIDDLE, low * 0.5f + high * 0.5f},
        {LADSPA_HINT_DEFAULT_HIGH, low * 0.25f + high * 0.75f},
        {LADSPA_HINT_DEFAULT_MAXIMUM, high},
    };
    const double wanted = DisplayFromValue(param.unit, value);
    LADSPA_PortRangeHintDescriptor best = LADSPA_HINT_DEFAULT_NONE;
    double distance = INFINITY;
    for (const auto& choice : choices) {
        if (std::fabs(choice.value - wanted) < distance) {
            distance = std::fabs(choice.value - wanted);
            best = choice.hint;
        }
    }
    return {LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE | best, low, high};
}

std::string PortName(const ParamInfo& param) {
    std::string name = param.label;
    if (*param.unit.suffix) name += std::string(" (") + param.unit.suffix + ")";
    return name;
}

ReverbPlugin* Self(LADSPA_Handle handle) {
    return static_cast<ReverbPlugin*>(handle);
}

LADSPA_Handle Instantiate(const LADSPA_Descriptor* descriptor, unsigned long sampleRate) {
    const auto* variant = static_cast<const PluginVariant*>(descriptor->ImplementationData);
    if (sampleRate == 0 || sampleRate > 0xFFFFFFFFul) return nullptr;
    return ReverbPlugin::Create(variant->channels, uint32_t(sampleRate), /*bypassInverted=*/false)
        .release();
}
void ConnectPort(LADSPA_Handle handle, unsigned long port, LADSPA_Data* data) {
    Self(handle)->Connect(uint32_t(port), data);
}
void Activate(LADSPA_Handle handle) {
    Self(handle)->Activate();
}
void Run(LADSPA_Handle handle, unsigned long frameCount) {
    // A host may hand over more than 2^32 frames in theory; run them in parts.
    while (frameCount > 0) {
        const uint32_t frames = frameCount > 0x10000000ul ? 0x10000000u : uint32_t(frameCount);
        Self(handle)->Run(frames);
        frameCount -= frames;
    }
}
void Cleanup(LADSPA_Handle handle) {
    delete Self(handle);
}

struct Variant {
    LADSPA_Descriptor descriptor;
    LADSPA_PortDescriptor ports[kMaxPorts];
    const char* names[kMaxPorts];
    LADSPA_PortRangeHint hints[kMaxPorts];
    std::string nameText[kMaxPorts];
};

struct Descriptors {
    Variant variant[kPluginVariantCount];
    Descriptors() {
        static const char* const kAudioNames[2][2][2] = {
            {{"Input", nullptr}, {"Output", nullptr}},
            {{"Left In", "Right In"}, {"Left Out", "Right Out"}},
        };
        for (int v = 0; v < kPluginVariantCount; ++v) {
            const PluginVariant& info = kPluginVariants[v];
            Variant& out = variant[v];
            const uint32_t channels = info.channels;
            for (uint32_t dir = 0; dir < 2; ++dir) {
                for (uint32_t ch = 0; ch < channels; ++ch) {
                    const uint32_t port = dir * channels + ch;
                    out.ports[port] =
                        LADSPA_PORT_AUDIO | (dir == 0 ? LADSPA_PORT_INPUT : LADSPA_PORT_OUTPUT);
                    out.nameText[port] = kAudioNames[channels - 1][dir][ch];
                    out.hints[port] = {0, 0.0f, 0.0f};
                }
            }
            for (int i = 0; i < kControlCount; ++i) {
                const uint32_t port = FirstControlPort(channels) + uint32_t(i);
                const ParamInfo& param = Param(kPortOrder[i]);
                out.ports[port] = LADSPA_PORT_CONTROL | LADSPA_PORT_INPUT;
                out.nameText[port] = PortName(param);
                out.hints[port] = ControlHint(param);
            }
            for (uint32_t port = 0; port < PortCount(channels); ++port)
                out.names[port] = out.nameText[port].c_str();
            out.descriptor = LADSPA_Descriptor{};
            out.descriptor.UniqueID = info.ladspaId;
            out.descriptor.Label = info.ladspaLabel;
            out.descriptor.Properties = LADSPA_PROPERTY_HARD_RT_CAPABLE;
            out.descriptor.Name = info.ladspaName;
            out.descriptor.Maker = kMakerName;
            out.descriptor.Copyright = "ISC";
            out.descriptor.PortCount = PortCount(channels);
            out.descriptor.PortDescriptors = out.ports;
            out.descriptor.PortNames = out.names;
            out.descriptor.PortRangeHints = out.hints;
            out.descriptor.ImplementationData = const_cast<PluginVariant*>(&info);
            out.descriptor.instantiate = Instantiate;
            out.descriptor.connect_port = ConnectPort;
            out.descriptor.activate = Activate;
            out.descriptor.run = Run;
            out.descriptor.cleanup = Cleanup;
        }
    }
};

}  // namespace
}  // namespace lumbrook

extern "C" __attribute__((visibility("default"))) const LADSPA_Descriptor* ladspa_descriptor(
    unsigned long index) {
    static const lumbrook::Descriptors descriptors;
    return index < static_cast<unsigned long>(lumbrook::kPluginVariantCount)
               ? &descriptors.variant[index].descriptor
               : nullptr;
}
