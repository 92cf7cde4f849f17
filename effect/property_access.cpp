#include "property_access.h"

namespace lumbrook {

namespace {

// Null for an id that is no parameter.
const AutomationSlot* Find(ParamId id) {
    for (const AutomationSlot& row : kAutomationSlots)
        if (row.id == id) return &row;
    return nullptr;
}

}  // namespace

HRESULT PutFloatProperty(IReverbControl* control, ParamId id, float value) {
    const AutomationSlot* row = Find(id);
    return row && row->putFloat ? (control->*row->putFloat)(value) : E_INVALIDARG;
}

HRESULT GetFloatProperty(IReverbControl* control, ParamId id, float* value) {
    const AutomationSlot* row = Find(id);
    return row && row->getFloat ? (control->*row->getFloat)(value) : E_INVALIDARG;
}

HRESULT PutSwitchProperty(IReverbControl* control, ParamId id, int32_t value) {
    const AutomationSlot* row = Find(id);
    return row && row->putSwitch ? (control->*row->putSwitch)(value) : E_INVALIDARG;
}

HRESULT GetSwitchProperty(IReverbControl* control, ParamId id, int32_t* value) {
    const AutomationSlot* row = Find(id);
    return row && row->getSwitch ? (control->*row->getSwitch)(value) : E_INVALIDARG;
}

}  // namespace lumbrook
