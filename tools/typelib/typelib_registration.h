// Registers and unregisters the automation type library on the machine (or
// for the current user when the machine-wide classes are not writable), for
// this program's bitness: a 32-bit and a 64-bit library may be registered
// side by side, and each is removed alone.
#pragma once

#include <windows.h>

namespace lumbrook {

// path: the .tlb file; a relative path is taken from the current folder.
// TYPE_E_BADMODULEKIND for a library built for the other bitness.
HRESULT RegisterTypeLibrary(const wchar_t* path);
// Removes this bitness's registration of LIBID_ReverbControl 1.0 wherever it
// is; while the other bitness's stays, the keys both use stay with it.
HRESULT UnregisterTypeLibrary();

}  // namespace lumbrook
