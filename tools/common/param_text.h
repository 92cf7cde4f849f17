// Parameter settings as people write them on a command line, and the block
// described in the editor's units. Shared by the command-line tools.
#pragma once

#include <string>

#include "reverb_params.h"

namespace lumbrook {

// One parameter's new value.
struct ParamSetting {
    const ParamInfo* param = nullptr;
    float value = 0.0f;       // continuous parameters
    int32_t switchValue = 0;  // switches
};

// "NAME=VALUE": NAME is a block field or property name (any case). For the
// continuous parameters VALUE is the value itself (0 to 1) or a number in
// the editor's units with its unit: "35ms", "70%", "-3dB" (room size, which
// has no unit, also takes "%"). Switches take on/off, yes/no, true/false
// or a whole number. False with a message for people when it makes no sense.
bool ParseSetting(const char* text, ParamSetting* setting, std::string* error);
void ApplySetting(const ParamSetting& setting, ReverbParams* params);

// "PreDelay 50.0 ms", "Enable Eq on": one parameter as the editor shows it.
std::string DescribeParam(const ReverbParams& params, const ParamInfo& param);

}  // namespace lumbrook
