// The factories recorded by AddFactory, looked up by class identifier.
// Internal to CWDXPX1.dll; guarded by one lock.
#pragma once

#include "framework_interfaces.h"

namespace cwdxpx1 {

constexpr int kMaxFactories = 32;

// One recorded class: exactly one of the two factory pointers is set.
struct FactoryEntry {
    IInPlaceFactory* effect;
    IPropPageFactory* page;
    GUID clsid;
};

// HRESULT as AddFactory documents it.
HRESULT AddEntry(const FactoryEntry& entry);
bool FindEntry(const GUID& clsid, FactoryEntry* entry);
int EntryCount();
FactoryEntry EntryAt(int index);

}  // namespace cwdxpx1
