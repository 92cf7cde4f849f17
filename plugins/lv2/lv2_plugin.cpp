// The LV2 entry point: one descriptor per variant (stereo, mono), each a thin
// C shell around ReverbPlugin. The bundle's data files are generated from the
// same tables (lv2_bundle_writer.cpp).
#include <lv2/core/lv2.h>

#include "plugin_ids.h"
#include "reverb_plugin.h"

namespace lumbrook {
namespace {

template <int Variant>
LV2_Handle Instantiate(const LV2_Descriptor*, double sampleRate, const char*,
                       const LV2_Feature* const*) {
    if (!(sampleRate >= 1.0 && sampleRate <= 4294967295.0)) return nullptr;
    return ReverbPlugin::Create(kPluginVariants[Variant].channels, uint32_t(sampleRate),
                                /*bypassInverted=*/true)
        .release();
}

ReverbPlugin* Self(LV2_Handle handle) {
    return static_cast<ReverbPlugin*>(handle);
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
    Self(handle)->Connect(port, data);
}
void Activate(LV2_Handle handle) {
    Self(handle)->Activate();
}
void Run(LV2_Handle handle, uint32_t frameCount) {
    Self(handle)->Run(frameCount);
}
void Deactivate(LV2_Handle) {}
void Cleanup(LV2_Handle handle) {
    delete Self(handle);
}
const void* ExtensionData(const char*) {
    return nullptr;
}

const LV2_Descriptor kDescriptors[] = {
    {kPluginVariants[0].lv2Uri, Instantiate<0>, ConnectPort, Activate, Run, Deactivate, Cleanup,
     ExtensionData},
    {kPluginVariants[1].lv2Uri, Instantiate<1>, ConnectPort, Activate, Run, Deactivate, Cleanup,
     ExtensionData},
};
static_assert(sizeof kDescriptors / sizeof kDescriptors[0] == size_t(kPluginVariantCount),
              "a descriptor per variant");

}  // namespace
}  // namespace lumbrook

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index < uint32_t(lumbrook::kPluginVariantCount) ? &lumbrook::kDescriptors[index]
                                                           : nullptr;
}
