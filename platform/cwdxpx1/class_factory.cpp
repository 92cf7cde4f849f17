#include "class_factory.h"

#include <dmodshow.h>
#include <dmoreg.h>

#include <new>

#include "derived_classes.h"
#include "media_object.h"
#include "property_page.h"

namespace cwdxpx1 {

namespace {

// The factories hand out objects with a count of 0: a reference held
// across the query makes a refused interface destroy the object.
HRESULT QueryNewObject(IUnknown* object, REFIID iid, void** out) {
    if (!object) return E_OUTOFMEMORY;
    object->AddRef();
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

// The system's DMO Wrapper Filter, initialised with the effect's media
// object, which it creates through COM: the media object's class must be
// registered.
HRESULT CreateWrappedFilter(const GUID& effectClass, REFIID iid, void** out) {
    IUnknown* filter = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IUnknown, reinterpret_cast<void**>(&filter));
    if (FAILED(hr)) return hr;
    IDMOWrapperFilter* wrapper = nullptr;
    hr = filter->QueryInterface(IID_IDMOWrapperFilter, reinterpret_cast<void**>(&wrapper));
    if (SUCCEEDED(hr)) {
        hr = wrapper->Init(MediaObjectClassOf(effectClass), DMOCATEGORY_AUDIO_EFFECT);
        wrapper->Release();
    }
    if (SUCCEEDED(hr)) hr = filter->QueryInterface(iid, out);
    filter->Release();
    return hr;
}

class ClassFactory final : public IClassFactory {
public:
    ClassFactory(const FactoryEntry& entry, ServedClass served) : entry_(entry), served_(served) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refCount_)); }

    ULONG STDMETHODCALLTYPE Release() override {
        const LONG count = InterlockedDecrement(&refCount_);
        if (count == 0) delete this;
        return ULONG(count);
    }

    // Only the media object can be aggregated: the DMO wrapper creates it
    // with itself as the outer object.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (served_ == ServedClass::MediaObject)
            return CreateMediaObject(entry_.effect, outer, iid, out);
        if (outer) return CLASS_E_NOAGGREGATION;
        if (served_ == ServedClass::Filter) return CreateWrappedFilter(entry_.clsid, iid, out);
        if (entry_.effect) return QueryNewObject(entry_.effect->CreateEffect(), iid, out);
        // The page as the system's property frame asks for it; under every
        // other identifier, the page itself as before.
        if (IsEqualIID(iid, IID_IPropertyPage)) return CreatePropertyPage(entry_.page, iid, out);
        return QueryNewObject(static_cast<IUnknown*>(entry_.page->CreatePage()), iid, out);
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    ~ClassFactory() = default;

    volatile LONG refCount_ = 0;
    FactoryEntry entry_;
    ServedClass served_;
};

}  // namespace

HRESULT CreateClassObject(const FactoryEntry& entry, ServedClass served, REFIID iid, void** out) {
    ClassFactory* factory = new (std::nothrow) ClassFactory(entry, served);
    if (!factory) return E_OUTOFMEMORY;
    factory->AddRef();
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

}  // namespace cwdxpx1
