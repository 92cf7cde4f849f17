#include "active_movie_manager.h"

#include "class_factory.h"
#include "derived_classes.h"
#include "framework_records.h"
#include "registration.h"

using cwdxpx1::FactoryEntry;

namespace {

volatile LONG gAddFactoryCalls = 0;

}  // namespace

int Cwdxpx1AddFactoryCalls() {
    return int(gAddFactoryCalls);
}

bool Cwdxpx1RecordedFactory(int index, IInPlaceFactory** effect, IPropPageFactory** page) {
    if (index < 0 || index >= cwdxpx1::EntryCount()) return false;
    const FactoryEntry entry = cwdxpx1::EntryAt(index);
    if (effect) *effect = entry.effect;
    if (page) *page = entry.page;
    return true;
}

namespace {

// Pins the module that holds the factory's code (its method table): the
// record keeps pointers into that module for the rest of the process, so
// FreeLibrary must never unmap it.
void PinModuleOf(const void* factory) {
    const void* code = *static_cast<const void* const*>(factory);
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       static_cast<LPCWSTR>(code), &module);
}

HRESULT Record(const FactoryEntry& entry, const void* factory) {
    const HRESULT hr = cwdxpx1::AddEntry(entry);
    if (hr == S_OK) PinModuleOf(factory);
    return hr;
}

}  // namespace

HRESULT CActiveMovieManager::AddFactory(IInPlaceFactory* factory) {
    InterlockedIncrement(&gAddFactoryCalls);
    if (!factory) return E_POINTER;
    const GUID* clsid = factory->GetClassId();
    if (!clsid) return E_INVALIDARG;
    return Record({factory, nullptr, *clsid}, factory);
}

HRESULT CActiveMovieManager::AddFactory(IPropPageFactory* factory) {
    InterlockedIncrement(&gAddFactoryCalls);
    if (!factory) return E_POINTER;
    const GUID* clsid = factory->GetClassId();
    if (!clsid) return E_INVALIDARG;
    return Record({nullptr, factory, *clsid}, factory);
}

namespace {

// The recorded class, or the media object or filter derived from an effect.
bool FindServedClass(const GUID& clsid, FactoryEntry* entry, cwdxpx1::ServedClass* served) {
    if (cwdxpx1::FindEntry(clsid, entry)) {
        *served = cwdxpx1::ServedClass::Recorded;
        return true;
    }
    const int count = cwdxpx1::EntryCount();
    for (int i = 0; i < count; ++i) {
        *entry = cwdxpx1::EntryAt(i);
        if (!entry->effect) continue;
        if (IsEqualGUID(clsid, cwdxpx1::MediaObjectClassOf(entry->clsid))) {
            *served = cwdxpx1::ServedClass::MediaObject;
            return true;
        }
        if (IsEqualGUID(clsid, cwdxpx1::FilterClassOf(entry->clsid))) {
            *served = cwdxpx1::ServedClass::Filter;
            return true;
        }
    }
    return false;
}

}  // namespace

HRESULT CActiveMovieManager::GetClassObject(const GUID& clsid, const GUID& iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    FactoryEntry entry;
    cwdxpx1::ServedClass served;
    if (!FindServedClass(clsid, &entry, &served)) return CLASS_E_CLASSNOTAVAILABLE;
    return cwdxpx1::CreateClassObject(entry, served, iid, out);
}

HRESULT CActiveMovieManager::CanUnloadNow() {
    return S_FALSE;
}

HRESULT CActiveMovieManager::RegisterServer(HINSTANCE module) {
    return cwdxpx1::RegisterEntries(module);
}

HRESULT CActiveMovieManager::UnregisterServer() {
    return cwdxpx1::UnregisterEntries();
}
