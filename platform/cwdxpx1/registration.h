// The in-process server entries of the recorded classes in the registry.
#pragma once

#include "factory_registry.h"

namespace cwdxpx1 {

HRESULT RegisterEntries(HINSTANCE module);
HRESULT UnregisterEntries();

}  // namespace cwdxpx1
