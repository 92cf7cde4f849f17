// The control ports of the Linux plug-ins (LV2 and LADSPA) and their values
// in the units the editor shows: one list, read by both wrappers and by the
// generator of the LV2 data files, so the formats cannot drift apart.
#pragma once

#include <cstdint>

#include "reverb_params.h"

namespace lumbrook {

// Every parameter but extendTail is a port (a plug-in's tail is whatever the
// host feeds it after the end), in block order, bypass last.
constexpr ParamId kPortOrder[] = {
    ParamId::PreDelay, ParamId::RoomSize, ParamId::Damping, ParamId::EarlyRef, ParamId::ReverbLevel,
    ParamId::DryLevel, ParamId::LoEq,     ParamId::HiEq,    ParamId::EnableEq, ParamId::Bypass,
};
constexpr int kControlCount = int(sizeof kPortOrder / sizeof kPortOrder[0]);

// The port order, typed out: no parameter twice, extendTail nowhere, bypass
// last (hosts number the ports; the LV2 data is generated from this list).
constexpr bool PortsInOrder() {
    for (int i = 0; i < kControlCount; ++i) {
        if (kPortOrder[i] == ParamId::ExtendTail) return false;
        for (int j = 0; j < i; ++j)
            if (kPortOrder[j] == kPortOrder[i]) return false;
    }
    return kPortOrder[kControlCount - 1] == ParamId::Bypass;
}
static_assert(kControlCount == kParamCount - 1, "every parameter but extendTail is a port");
static_assert(PortsInOrder(), "each parameter but extendTail a port once, bypass last");

// Audio ports come first (inputs, then outputs); the controls follow.
constexpr uint32_t FirstControlPort(uint32_t channels) {
    return 2 * channels;
}
constexpr uint32_t PortCount(uint32_t channels) {
    return 2 * channels + kControlCount;
}

// A port's value as the engine stores it: a continuous port is clamped to
// its unit's display range and divided by the unit's scale; a switch
// port is on from 0.5 (NaN is off).
float ValueFromPort(const ParamInfo& param, float port);
int32_t SwitchFromPort(float port);

// The port value that stands for an engine value: the float nearest the
// displayed number whose conversion back gives exactly that value, so that
// defaults and presets reach the engine bit for bit.
float PortFromValue(const ParamInfo& param, float value);

}  // namespace lumbrook
