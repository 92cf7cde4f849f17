// The standard class object served for a recorded factory.
#pragma once

#include "factory_registry.h"

namespace cwdxpx1 {

// A new class object for the entry, with the requested interface in *out.
HRESULT CreateClassObject(const FactoryEntry& entry, REFIID iid, void** out);

}  // namespace cwdxpx1
