// The automation interface as a table: one row per property in slot order,
// with the parameter it reaches and its accessors as member pointers, made
// from automation_slots.h. Every client of the interface (the editor, the
// command-line host, the tests) reaches a property through this table.
#pragma once

#include "interfaces.h"
#include "reverb_params.h"

namespace lumbrook {

using GetFloatAccessor = HRESULT (STDMETHODCALLTYPE IReverbControl::*)(float*);
using PutFloatAccessor = HRESULT (STDMETHODCALLTYPE IReverbControl::*)(float);
using GetSwitchAccessor = HRESULT (STDMETHODCALLTYPE IReverbControl::*)(int32_t*);
using PutSwitchAccessor = HRESULT (STDMETHODCALLTYPE IReverbControl::*)(int32_t);

// A control has the float accessors, a switch the int32 ones; the other two
// are null.
struct AutomationSlot {
    ParamId id;
    GetFloatAccessor getFloat;
    PutFloatAccessor putFloat;
    GetSwitchAccessor getSwitch;
    PutSwitchAccessor putSwitch;
};

constexpr AutomationSlot PropertyRow(ParamId id, GetFloatAccessor get, PutFloatAccessor put) {
    return {id, get, put, nullptr, nullptr};
}
constexpr AutomationSlot PropertyRow(ParamId id, GetSwitchAccessor get, PutSwitchAccessor put) {
    return {id, nullptr, nullptr, get, put};
}

#define LUMBROOK_PROPERTY_ROW(Name, Type) \
    PropertyRow(ParamId::Name, &IReverbControl::get_##Name, &IReverbControl::put_##Name),
constexpr AutomationSlot kAutomationSlots[] = {LUMBROOK_AUTOMATION_SLOTS(LUMBROOK_PROPERTY_ROW)};
#undef LUMBROOK_PROPERTY_ROW
static_assert(sizeof(kAutomationSlots) / sizeof(kAutomationSlots[0]) == kParamCount,
              "one property per parameter");

static_assert(OneRowPerParameter(kAutomationSlots), "every parameter has exactly one property");

// Row i's getter sits at slot kFirstPropertySlot + 2i, its setter next;
// slots 0 to 6 are IUnknown's and IDispatch's.
constexpr int kFirstPropertySlot = 7;
constexpr int kControlTableSlots = kFirstPropertySlot + 2 * kParamCount;

// E_INVALIDARG when the parameter is of the other kind (or not one).
HRESULT PutFloatProperty(IReverbControl* control, ParamId id, float value);
HRESULT GetFloatProperty(IReverbControl* control, ParamId id, float* value);
HRESULT PutSwitchProperty(IReverbControl* control, ParamId id, int32_t value);
HRESULT GetSwitchProperty(IReverbControl* control, ParamId id, int32_t* value);

}  // namespace lumbrook
