// The names by which script clients create an effect (CreateObject, new
// ActiveXObject): a ProgID for this version and a version-independent one
// that names it as current. Written beside the framework's class entries.
#pragma once

#include <windows.h>

namespace lumbrook {

constexpr wchar_t kEffectProgId[] = L"Lumbrook.Reverb.1";
constexpr wchar_t kEffectIndependentProgId[] = L"Lumbrook.Reverb";

// HKCR\<ProgID>\CLSID for both names, CurVer under the version-independent
// one, and ProgID and VersionIndependentProgID under the effect's class key
// (which must exist). S_OK, or SELFREG_E_CLASS with nothing of it left.
HRESULT RegisterProgIds(const wchar_t* effectName);
// Removes both ProgID keys, unless the effect's class is registered in the
// other bitness's view too (the ProgID keys serve both views); S_OK also when
// they were not there.
HRESULT UnregisterProgIds();

}  // namespace lumbrook
