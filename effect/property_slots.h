// The order of the automation interface's properties: slot 7 + 2 * i holds
// the getter of kPropertySlots[i], the next slot its setter.
#pragma once

#include "reverb_params.h"

namespace lumbrook {

constexpr int kFirstPropertySlot = 7;

constexpr ParamId kPropertySlots[] = {
    ParamId::RoomSize, ParamId::Damping,  ParamId::Bypass,   ParamId::PreDelay,
    ParamId::ReverbLevel, ParamId::DryLevel, ParamId::LoEq, ParamId::HiEq,
    ParamId::EnableEq, ParamId::EarlyRef, ParamId::ExtendTail,
};
static_assert(sizeof(kPropertySlots) / sizeof(kPropertySlots[0]) == kParamCount,
              "one property per parameter");

}  // namespace lumbrook
