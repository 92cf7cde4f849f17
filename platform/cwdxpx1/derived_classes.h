// The class identifiers the framework derives from each effect's own: the
// effect as a DirectX Media Object, and as a legacy DirectShow filter (the
// system's DMO Wrapper Filter around that object). The rule: the effect's
// identifier with the first field exclusive-or'd with "DMO\0" (0x444D4F00)
// for the media object and with "FIL\0" (0x46494C00) for the filter. Only the
// top three bytes of the first field change, so an identifier family that
// differs in its lowest byte (effect, page, library, interface) never runs
// into its own derivatives.
#pragma once

#include <windows.h>

namespace cwdxpx1 {

constexpr DWORD kMediaObjectMark = 0x444D4F00;  // "DMO"
constexpr DWORD kFilterMark = 0x46494C00;       // "FIL"

inline GUID MediaObjectClassOf(const GUID& effect) {
    GUID derived = effect;
    derived.Data1 ^= kMediaObjectMark;
    return derived;
}

inline GUID FilterClassOf(const GUID& effect) {
    GUID derived = effect;
    derived.Data1 ^= kFilterMark;
    return derived;
}

}  // namespace cwdxpx1
