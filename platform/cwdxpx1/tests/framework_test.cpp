// Our host framework: factory records, class objects, and the registry
// entries it writes and removes.
#include <gtest/gtest.h>

#include "active_movie_manager.h"
#include "com_test_support.h"
#include "registry_support.h"

namespace lumbrook {
namespace {

using namespace test;

const GUID kEffectClass = {
    0x9E1A0001, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x01}};
const GUID kPageClass = {
    0x9E1A0002, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x02}};
const GUID kNullClass = {
    0x9E1A0003, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x03}};

// An effect factory double: it makes real effects, or nothing; the
// framework has no business calling its second table.
class EffectFactoryDouble : public IInPlaceFactory {
public:
    explicit EffectFactoryDouble(const GUID& clsid, bool fail = false)
        : clsid_(clsid), fail_(fail) {}
    const GUID* STDMETHODCALLTYPE GetClassId() override { return &clsid_; }
    const WCHAR* STDMETHODCALLTYPE GetName() override { return L"Test Effect"; }
    IUnknown* STDMETHODCALLTYPE CreateEffect() override {
        ++created;
        if (fail_) return nullptr;
        return static_cast<IReverbControl*>(ReverbEffect::Create());
    }
    const char* STDMETHODCALLTYPE GetAnsiName() override { return Unexpected("GetAnsiName"); }
    const char* STDMETHODCALLTYPE GetHelpFile() override { return Unexpected("GetHelpFile"); }
    int32_t STDMETHODCALLTYPE GetFlag() override {
        ADD_FAILURE() << "unexpected GetFlag";
        return 0;
    }
    int created = 0;

private:
    const char* Unexpected(const char* what) {
        ADD_FAILURE() << "unexpected " << what;
        return "";
    }
    GUID clsid_;
    bool fail_;
};

// A page double that counts its own destruction.
class PageDouble : public IPropPage {
public:
    explicit PageDouble(int* destroyed) : destroyed_(destroyed) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPropPage)) return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (--count_ == 0) {
            ++*destroyed_;
            delete this;
            return 0;
        }
        return count_;
    }
    int32_t STDMETHODCALLTYPE SetObject(IUnknown*) override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE ClearObject() override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE Reserved1(int32_t, int32_t, int32_t, int32_t) override {
        return Unexpected();
    }
    int32_t STDMETHODCALLTYPE Activate() override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE Deactivate() override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE Reserved2(int32_t) override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE Apply() override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE UpdateControls() override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE SetPageSite(IPropPageSite*) override { return Unexpected(); }
    HWND STDMETHODCALLTYPE CreatePageWindow(HWND) override {
        Unexpected();
        return nullptr;
    }
    int32_t STDMETHODCALLTYPE DestroyPageWindow() override { return Unexpected(); }

private:
    virtual ~PageDouble() = default;
    int32_t Unexpected() {
        ADD_FAILURE() << "unexpected page call";
        return 0;
    }
    ULONG count_ = 0;
    int* destroyed_;
};

class PageFactoryDouble : public IPropPageFactory {
public:
    const GUID* STDMETHODCALLTYPE GetClassId() override { return &kPageClass; }
    const WCHAR* STDMETHODCALLTYPE GetTitle() override { return L"Test Page"; }
    IPropPage* STDMETHODCALLTYPE CreatePage() override { return new PageDouble(&destroyed); }
    HINSTANCE STDMETHODCALLTYPE GetResourceInstance() override { return nullptr; }
    int32_t STDMETHODCALLTYPE GetDialogId() override { return 129; }
    int destroyed = 0;
};

EffectFactoryDouble gEffectFactory(kEffectClass);
EffectFactoryDouble gFailingFactory(kNullClass, true);
PageFactoryDouble gPageFactory;

class Framework : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_HRESULT_SUCCEEDED(CActiveMovieManager::AddFactory(&gEffectFactory));
        ASSERT_HRESULT_SUCCEEDED(CActiveMovieManager::AddFactory(&gPageFactory));
        ASSERT_HRESULT_SUCCEEDED(CActiveMovieManager::AddFactory(&gFailingFactory));
    }

    static IClassFactory* ClassObject(const GUID& clsid) {
        void* out = nullptr;
        EXPECT_HR(S_OK, CActiveMovieManager::GetClassObject(clsid, IID_IClassFactory, &out));
        return static_cast<IClassFactory*>(out);
    }
};

TEST_F(Framework, AddFactoryRecordsEachClassOnce) {
    EXPECT_HR(E_POINTER, CActiveMovieManager::AddFactory(static_cast<IInPlaceFactory*>(nullptr)));
    EXPECT_HR(E_POINTER, CActiveMovieManager::AddFactory(static_cast<IPropPageFactory*>(nullptr)));
    EXPECT_HR(S_FALSE, CActiveMovieManager::AddFactory(&gEffectFactory));
    EffectFactoryDouble impostor(kEffectClass);
    EXPECT_HR(E_INVALIDARG, CActiveMovieManager::AddFactory(&impostor));
}

TEST_F(Framework, UnknownClassesAreNotAvailable) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_HR(CLASS_E_CLASSNOTAVAILABLE,
              CActiveMovieManager::GetClassObject(CLSID_ReverbEditor, IID_IClassFactory, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_HR(E_POINTER,
              CActiveMovieManager::GetClassObject(kEffectClass, IID_IClassFactory, nullptr));
    out = reinterpret_cast<void*>(1);
    EXPECT_HR(E_NOINTERFACE,
              CActiveMovieManager::GetClassObject(kEffectClass, IID_IDispatch, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_HR(S_FALSE, CActiveMovieManager::CanUnloadNow());
}

TEST_F(Framework, ClassObjectMakesEffectsThatTheCallerOwns) {
    // Asked for as IUnknown, the class object is the same IClassFactory.
    void* unknown = nullptr;
    EXPECT_HR(S_OK, CActiveMovieManager::GetClassObject(kEffectClass, IID_IUnknown, &unknown));
    ASSERT_NE(unknown, nullptr);
    void* same = nullptr;
    EXPECT_HR(S_OK, static_cast<IUnknown*>(unknown)->QueryInterface(IID_IClassFactory, &same));
    EXPECT_EQ(same, unknown);
    EXPECT_EQ(static_cast<IUnknown*>(same)->Release(), 1u);
    EXPECT_EQ(static_cast<IUnknown*>(unknown)->Release(), 0u);

    IClassFactory* factory = ClassObject(kEffectClass);
    ASSERT_NE(factory, nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_HR(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_HR(S_OK, factory->CreateInstance(nullptr, IID_IInPlaceEffect, &out));
    IInPlaceEffect* effect = static_cast<IInPlaceEffect*>(out);
    EXPECT_EQ(effect->GetParamsSize(), 44);
    EXPECT_EQ(effect->AddRef(), 2u);  // the receiver holds the first reference
    EXPECT_EQ(effect->Release(), 1u);
    EXPECT_EQ(effect->Release(), 0u);

    EXPECT_HR(S_OK, factory->CreateInstance(nullptr, IID_IReverbControl, &out));
    IReverbControl* control = static_cast<IReverbControl*>(out);
    EXPECT_HR(S_OK, control->put_RoomSize(0.25f));
    EXPECT_EQ(control->Release(), 0u);
    EXPECT_HR(S_OK, factory->LockServer(TRUE));
    EXPECT_HR(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(factory->Release(), 0u);
}

TEST_F(Framework, RefusedInterfaceDestroysTheNewObject) {
    IClassFactory* factory = ClassObject(kPageClass);
    ASSERT_NE(factory, nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_HR(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IInPlaceEffect, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(gPageFactory.destroyed, 1);
    EXPECT_HR(S_OK, factory->CreateInstance(nullptr, IID_IPropPage, &out));
    EXPECT_EQ(static_cast<IPropPage*>(out)->Release(), 0u);
    EXPECT_EQ(gPageFactory.destroyed, 2);
    EXPECT_EQ(factory->Release(), 0u);
}

TEST_F(Framework, FactoryWithoutMemoryGivesOutOfMemory) {
    IClassFactory* factory = ClassObject(kNullClass);
    ASSERT_NE(factory, nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_HR(E_OUTOFMEMORY, factory->CreateInstance(nullptr, IID_IUnknown, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->Release(), 0u);
}

std::wstring ClassKey(const GUID& clsid) {
    WCHAR text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

TEST_F(Framework, RegistrationWritesAndRemovesTheServerEntries) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_HR(S_OK, CActiveMovieManager::RegisterServer(module));
    // Effects serve any thread; a page's window ties it to one.
    const struct {
        const GUID* clsid;
        const wchar_t* threadingModel;
    } classes[] = {{&kEffectClass, L"Both"}, {&kPageClass, L"Apartment"}, {&kNullClass, L"Both"}};
    for (const auto& c : classes) {
        const std::wstring key = ClassKey(*c.clsid);
        EXPECT_EQ(ReadString(key + L"\\InprocServer32", nullptr), path) << key;
        EXPECT_EQ(ReadString(key + L"\\InprocServer32", L"ThreadingModel"), c.threadingModel)
            << key;
    }
    EXPECT_EQ(ReadString(ClassKey(kEffectClass), nullptr), L"Test Effect");
    EXPECT_EQ(ReadString(ClassKey(kPageClass), nullptr), L"Test Page");
    EXPECT_HR(S_OK, CActiveMovieManager::UnregisterServer());
    for (const GUID* clsid : {&kEffectClass, &kPageClass, &kNullClass})
        EXPECT_FALSE(KeyExists(ClassKey(*clsid)));
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_HR(S_OK, CActiveMovieManager::UnregisterServer());  // nothing left to remove
}

}  // namespace
}  // namespace lumbrook
