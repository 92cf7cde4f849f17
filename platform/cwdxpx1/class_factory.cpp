#include "class_factory.h"

#include <new>

#include "interfaces.h"

namespace cwdxpx1 {

namespace {

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const FactoryEntry& entry) : entry_(entry) {}

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

    // The factories hand out objects with a count of 0: a reference held
    // across the query makes a refused interface destroy the object.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* object = entry_.effect ? entry_.effect->CreateEffect()
                                         : static_cast<IUnknown*>(entry_.page->CreatePage());
        if (!object) return E_OUTOFMEMORY;
        object->AddRef();
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    ~ClassFactory() = default;

    volatile LONG refCount_ = 0;
    FactoryEntry entry_;
};

}  // namespace

HRESULT CreateClassObject(const FactoryEntry& entry, REFIID iid, void** out) {
    ClassFactory* factory = new (std::nothrow) ClassFactory(entry);
    if (!factory) return E_OUTOFMEMORY;
    factory->AddRef();
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

}  // namespace cwdxpx1
