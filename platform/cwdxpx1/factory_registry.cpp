#include "factory_registry.h"

namespace cwdxpx1 {

namespace {

struct Registry {
    Registry() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    FactoryEntry entries[kMaxFactories];
    int count = 0;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

class Hold {
public:
    explicit Hold(Registry& registry) : lock_(&registry.lock) { EnterCriticalSection(lock_); }
    ~Hold() { LeaveCriticalSection(lock_); }

private:
    CRITICAL_SECTION* lock_;
};

}  // namespace

HRESULT AddEntry(const FactoryEntry& entry) {
    Registry& registry = TheRegistry();
    Hold hold(registry);
    for (int i = 0; i < registry.count; ++i) {
        const FactoryEntry& known = registry.entries[i];
        if (!IsEqualGUID(known.clsid, entry.clsid)) continue;
        const bool same = known.effect == entry.effect && known.page == entry.page;
        return same ? S_FALSE : E_INVALIDARG;
    }
    if (registry.count == kMaxFactories) return E_OUTOFMEMORY;
    registry.entries[registry.count++] = entry;
    return S_OK;
}

bool FindEntry(const GUID& clsid, FactoryEntry* entry) {
    Registry& registry = TheRegistry();
    Hold hold(registry);
    for (int i = 0; i < registry.count; ++i) {
        if (IsEqualGUID(registry.entries[i].clsid, clsid)) {
            *entry = registry.entries[i];
            return true;
        }
    }
    return false;
}

int EntryCount() {
    Registry& registry = TheRegistry();
    Hold hold(registry);
    return registry.count;
}

FactoryEntry EntryAt(int index) {
    Registry& registry = TheRegistry();
    Hold hold(registry);
    return registry.entries[index];
}

}  // namespace cwdxpx1
