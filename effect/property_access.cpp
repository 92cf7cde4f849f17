#include "property_access.h"

namespace lumbrook {

HRESULT PutFloatProperty(IReverbControl* control, ParamId id, float value) {
    switch (id) {
    case ParamId::PreDelay: return control->put_PreDelay(value);
    case ParamId::RoomSize: return control->put_RoomSize(value);
    case ParamId::Damping: return control->put_Damping(value);
    case ParamId::EarlyRef: return control->put_EarlyRef(value);
    case ParamId::ReverbLevel: return control->put_ReverbLevel(value);
    case ParamId::DryLevel: return control->put_DryLevel(value);
    case ParamId::LoEq: return control->put_LoEq(value);
    case ParamId::HiEq: return control->put_HiEq(value);
    default: return E_INVALIDARG;
    }
}

HRESULT GetFloatProperty(IReverbControl* control, ParamId id, float* value) {
    switch (id) {
    case ParamId::PreDelay: return control->get_PreDelay(value);
    case ParamId::RoomSize: return control->get_RoomSize(value);
    case ParamId::Damping: return control->get_Damping(value);
    case ParamId::EarlyRef: return control->get_EarlyRef(value);
    case ParamId::ReverbLevel: return control->get_ReverbLevel(value);
    case ParamId::DryLevel: return control->get_DryLevel(value);
    case ParamId::LoEq: return control->get_LoEq(value);
    case ParamId::HiEq: return control->get_HiEq(value);
    default: return E_INVALIDARG;
    }
}

HRESULT PutSwitchProperty(IReverbControl* control, ParamId id, int32_t value) {
    switch (id) {
    case ParamId::ExtendTail: return control->put_ExtendTail(value);
    case ParamId::EnableEq: return control->put_EnableEq(value);
    case ParamId::Bypass: return control->put_Bypass(value);
    default: return E_INVALIDARG;
    }
}

HRESULT GetSwitchProperty(IReverbControl* control, ParamId id, int32_t* value) {
    switch (id) {
    case ParamId::ExtendTail: return control->get_ExtendTail(value);
    case ParamId::EnableEq: return control->get_EnableEq(value);
    case ParamId::Bypass: return control->get_Bypass(value);
    default: return E_INVALIDARG;
    }
}

}  // namespace lumbrook
