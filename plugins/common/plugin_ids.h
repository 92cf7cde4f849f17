// Names the hosts know the plug-ins by: LV2 URIs, LADSPA labels and ids.
// Published names: changing one breaks every saved session that uses it.
#pragma once

#include <cstdint>

namespace lumbrook {

struct PluginVariant {
    uint32_t channels;
    const char* lv2Uri;
    const char* ladspaLabel;
    unsigned long ladspaId;
    const char* lv2Name;
    // Hosts that list both families (Ardour, Audacity) show one entry per
    // name, so the LADSPA plug-ins say which they are.
    const char* ladspaName;
};

constexpr PluginVariant kPluginVariants[] = {
    {2, "https://lumbrook-audio.example/lv2/reverb/stereo", "lumbrook_reverb_stereo", 4351,
     "Lumbrook Reverb", "Lumbrook Reverb (LADSPA)"},
    {1, "https://lumbrook-audio.example/lv2/reverb/mono", "lumbrook_reverb_mono", 4352,
     "Lumbrook Reverb (mono)", "Lumbrook Reverb (mono, LADSPA)"},
};
constexpr int kPluginVariantCount = int(sizeof kPluginVariants / sizeof kPluginVariants[0]);

// LV2 versions: an even minor version marks a release (odd and 0 are
// development); the micro version counts releases with the same ports.
constexpr int kLv2MinorVersion = 2;
constexpr int kLv2MicroVersion = 0;

constexpr const char kMakerName[] = "Lumbrook Audio";
constexpr const char kLicenseUri[] = "http://opensource.org/licenses/isc";

}  // namespace lumbrook
