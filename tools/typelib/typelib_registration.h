// Registers and unregisters the automation type library on the machine (or
// for the current user when the machine-wide classes are not writable).
#pragma once

#include <windows.h>

namespace lumbrook {

// path: the .tlb file; a relative path is taken from the current folder.
HRESULT RegisterTypeLibrary(const wchar_t* path);
// Removes the registration of LIBID_ReverbControl 1.0 wherever it is.
HRESULT UnregisterTypeLibrary();

}  // namespace lumbrook
