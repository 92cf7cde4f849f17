// The automation interface's property slots as a binary caller relies on
// them, written out here on their own so that a change to the product's
// tables cannot move the expectation along with the code: slot n holds the
// getter, n + 1 the setter, and each property lives at a fixed place in the
// 44-byte block.
#pragma once

namespace lumbrook::test {

struct ControlSlot {
    const char* property;
    int getterSlot;
    bool isFloat;     // float32, else int32
    int blockOffset;  // bytes into the 44-byte block
};

constexpr int kControlTableSlots = 29;  // IDispatch's seven, then 22 accessors

constexpr ControlSlot kControlSlots[] = {
    {"RoomSize", 7, true, 4},   {"Damping", 9, true, 8},       {"Bypass", 11, false, 40},
    {"PreDelay", 13, true, 0},  {"ReverbLevel", 15, true, 16}, {"DryLevel", 17, true, 20},
    {"LoEq", 19, true, 24},     {"HiEq", 21, true, 28},        {"EnableEq", 23, false, 36},
    {"EarlyRef", 25, true, 12}, {"ExtendTail", 27, false, 32},
};
constexpr int kControlSlotCount = sizeof(kControlSlots) / sizeof(kControlSlots[0]);

// The property whose getter or setter sits at this slot; null if none.
inline const ControlSlot* PropertyAtSlot(int slot) {
    for (const ControlSlot& s : kControlSlots)
        if (slot == s.getterSlot || slot == s.getterSlot + 1) return &s;
    return nullptr;
}

}  // namespace lumbrook::test
