// The settings the host tests render with, spelt as each host and the
// native renderer take them, and the search paths that show the hosts our
// plug-ins alone.
#pragma once

#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin_ids.h"
#include "plugin_ports.h"
#include "test_signals.h"

namespace lumbrook::test {

// The hosts find our plug-ins, and only ours, through their search paths.
// Under AddressSanitizer our shared objects need its runtime loaded first:
// the hosts get it preloaded (their own leaks are not ours to report).
inline bool PointHostsAtOurPlugins(const std::string& bundle, const std::string& ladspaLibrary) {
    setenv("LV2_PATH", bundle.substr(0, bundle.rfind('/')).c_str(), 1);
    setenv("LADSPA_PATH", ladspaLibrary.substr(0, ladspaLibrary.rfind('/')).c_str(), 1);
#ifdef __SANITIZE_ADDRESS__
    Dl_info info{};
    if (void* symbol = dlsym(RTLD_DEFAULT, "__asan_init"); symbol && dladdr(symbol, &info))
        setenv("LD_PRELOAD", info.dli_fname, 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
#endif
    return true;
}

const PluginVariant& Variant(uint32_t channels) {
    return channels == 2 ? kPluginVariants[0] : kPluginVariants[1];
}

std::string Text(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// One control in the units a host shows.
struct Setting {
    ParamId id;
    float port;
};

// Every control away from its default, the EQ on and shaping the sound.
const Setting kSettings[] = {
    {ParamId::PreDelay, 35.0f}, {ParamId::RoomSize, 60.0f},    {ParamId::Damping, 20.0f},
    {ParamId::EarlyRef, 30.0f}, {ParamId::ReverbLevel, 75.0f}, {ParamId::DryLevel, 90.0f},
    {ParamId::LoEq, -3.0f},     {ParamId::HiEq, 2.0f},         {ParamId::EnableEq, 1.0f},
};

// Control values in port order, bypass last as the format has it: LV2's
// "enabled" (1) or LADSPA's "Bypass" (0).
std::vector<std::string> PortValues(bool lv2) {
    std::vector<std::string> values;
    for (ParamId id : kPortOrder) {
        float value = lv2 && id == ParamId::Bypass ? 1.0f : 0.0f;
        for (const Setting& s : kSettings)
            if (s.id == id) value = s.port;
        values.push_back(Text(value));
    }
    return values;
}

// The renderer's --set takes the block value itself: the same float the
// port's number stands for.
std::vector<std::string> RendererSettings() {
    std::vector<std::string> args;
    for (const Setting& s : kSettings) {
        const ParamInfo& param = Param(s.id);
        const std::string value = param.kind == ParamKind::Switch
                                      ? Text(SwitchFromPort(s.port))
                                      : Text(double(ValueFromPort(param, s.port)));
        args.insert(args.end(), {"--set", std::string(param.field) + "=" + value});
    }
    return args;
}

// Noise on the 16-bit grid, a quarter of full scale: every host reads these
// floats exactly, even through integer samples.
std::vector<float> Input(uint32_t channels, uint32_t frames, uint32_t seed) {
    std::vector<float> samples = NoiseBuffer(size_t(channels) * frames, seed);
    for (float& s : samples) s = std::round(s * 8192.0f) / 32768.0f;
    return samples;
}

}  // namespace lumbrook::test
