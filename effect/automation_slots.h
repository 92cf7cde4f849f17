// The automation interface's properties, once, in the order of its table:
// each row is a getter (the lower slot) and a setter, from slot 7 on, after
// IUnknown's three and IDispatch's four. The name is the property's and its
// ParamId's; the type is float for a control and int32_t for a switch
// (nonzero is on). Binary clients call by slot and the type library
// (resources/ReverbControl.idl) lists the same rows in the same order, so a
// row never moves. The interface, the effect's accessors, the property table
// (property_access.h) and the tests' stand-in are all made from this list.
#pragma once

// PROPERTY(Name, Type) for each property, in slot order.
#define LUMBROOK_AUTOMATION_SLOTS(PROPERTY) \
    PROPERTY(RoomSize, float)               \
    PROPERTY(Damping, float)                \
    PROPERTY(Bypass, int32_t)               \
    PROPERTY(PreDelay, float)               \
    PROPERTY(ReverbLevel, float)            \
    PROPERTY(DryLevel, float)               \
    PROPERTY(LoEq, float)                   \
    PROPERTY(HiEq, float)                   \
    PROPERTY(EnableEq, int32_t)             \
    PROPERTY(EarlyRef, float)               \
    PROPERTY(ExtendTail, int32_t)
