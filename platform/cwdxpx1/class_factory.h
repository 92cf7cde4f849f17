// The standard class objects served for a recorded factory: the class it
// names itself, and for an effect the two classes derived from it.
#pragma once

#include "factory_registry.h"

namespace cwdxpx1 {

enum class ServedClass {
    Recorded,     // the factory's own class: its effect or its page
    MediaObject,  // an effect as a DirectX Media Object
    Filter,       // an effect as a DirectShow filter: the system's DMO wrapper around it
};

// A new class object for the entry, with the requested interface in *out.
HRESULT CreateClassObject(const FactoryEntry& entry, ServedClass served, REFIID iid, void** out);

}  // namespace cwdxpx1
