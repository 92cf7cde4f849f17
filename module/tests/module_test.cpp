// The plug-in module as a whole: loading registers its factories with the
// host framework, the factories describe and make the objects, the exports
// serve class objects and registration, and effects and pages work together.
#include <gtest/gtest.h>

#include <cwchar>

#include "editor_support.h"
#include "framework_records.h"
#include "module_support.h"

namespace lumbrook {
namespace {

using namespace test;

class Module : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(Cwdxpx1AddFactoryCalls(), 0);
        module = LoadPlugin();
        ASSERT_NE(module, nullptr);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    static void TearDownTestSuite() { CoUninitialize(); }

    static IInPlaceFactory* EffectFactory() {
        IInPlaceFactory* effect = nullptr;
        Cwdxpx1RecordedFactory(0, &effect, nullptr);
        return effect;
    }
    static IPropPageFactory* EditorFactory() {
        IPropPageFactory* page = nullptr;
        Cwdxpx1RecordedFactory(1, nullptr, &page);
        return page;
    }
    static IClassFactory* ClassObject(const GUID& clsid) {
        void* out = nullptr;
        EXPECT_HR(S_OK, Export<GetClassObjectFn>(module, "DllGetClassObject")(
                            clsid, IID_IClassFactory, &out));
        return static_cast<IClassFactory*>(out);
    }

    static HMODULE module;
};

HMODULE Module::module = nullptr;

TEST_F(Module, LoadingRegistersBothFactoriesInOrderOnce) {
    EXPECT_EQ(Cwdxpx1AddFactoryCalls(), 2);
    IInPlaceFactory* effect = nullptr;
    IPropPageFactory* page = nullptr;
    ASSERT_TRUE(Cwdxpx1RecordedFactory(0, &effect, &page));
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(page, nullptr);
    EXPECT_TRUE(IsEqualGUID(*effect->GetClassId(), CLSID_ReverbEffect));
    ASSERT_TRUE(Cwdxpx1RecordedFactory(1, &effect, &page));
    EXPECT_EQ(effect, nullptr);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(IsEqualGUID(*page->GetClassId(), CLSID_ReverbEditor));
    EXPECT_FALSE(Cwdxpx1RecordedFactory(2, &effect, &page));
    HMODULE again = LoadPlugin();  // a second load of a loaded library runs nothing
    EXPECT_EQ(again, module);
    FreeLibrary(again);
    EXPECT_EQ(Cwdxpx1AddFactoryCalls(), 2);
}

TEST_F(Module, FactoriesDescribeTheClasses) {
    IInPlaceFactory* effect = EffectFactory();
    IPropPageFactory* page = EditorFactory();
    ASSERT_TRUE(effect && page);
    EXPECT_STREQ(effect->GetName(), L"Lumbrook Reverb");
    const WCHAR* name = effect->GetName();
    EXPECT_EQ(effect->GetName(), name);  // the same buffer each time
    EXPECT_STREQ(effect->GetAnsiName(), "Lumbrook Reverb");
    EXPECT_STREQ(effect->GetHelpFile(), "LumbrookReverb.hlp");
    EXPECT_EQ(effect->GetFlag(), 1);
    // The second table through the same object, as a binary caller reaches it.
    IInPlaceFactoryInfo* info = effect;
    EXPECT_EQ(reinterpret_cast<char*>(info) - reinterpret_cast<char*>(effect), int(sizeof(void*)));
    EXPECT_STREQ(page->GetTitle(), L"Settings");
    EXPECT_EQ(page->GetDialogId(), 129);
    EXPECT_EQ(page->GetResourceInstance(), module);
}

TEST_F(Module, EveryCreationIsANewObjectAtZero) {
    IInPlaceFactory* factory = EffectFactory();
    IUnknown* a = factory->CreateEffect();
    IUnknown* b = factory->CreateEffect();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->AddRef(), 1u);
    EXPECT_EQ(b->AddRef(), 1u);
    IReverbControl* control = Query<IReverbControl>(a, IID_IReverbControl);
    control->put_RoomSize(0.9f);
    control->Release();
    IReverbControl* other = Query<IReverbControl>(b, IID_IReverbControl);
    float room = -1;
    other->get_RoomSize(&room);
    EXPECT_EQ(room, 0.0f);
    other->Release();
    EXPECT_EQ(a->Release(), 0u);
    EXPECT_EQ(b->Release(), 0u);
    IPropPage* page = EditorFactory()->CreatePage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->AddRef(), 1u);
    EXPECT_EQ(page->Release(), 0u);
}

TEST_F(Module, ExportsAreTheFourUndecoratedEntryPoints) {
    for (const char* name :
         {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(module, "DllGetClassObject@12"), nullptr);
    EXPECT_HR(S_FALSE, Export<NoArgumentFn>(module, "DllCanUnloadNow")());
    void* out = reinterpret_cast<void*>(1);
    EXPECT_HR(CLASS_E_CLASSNOTAVAILABLE, Export<GetClassObjectFn>(module, "DllGetClassObject")(
                                             IID_IDispatch, IID_IClassFactory, &out));
    EXPECT_EQ(out, nullptr);
}

TEST_F(Module, EffectAndPageFromTheClassObjectsWorkTogether) {
    IClassFactory* effects = ClassObject(CLSID_ReverbEffect);
    IClassFactory* pages = ClassObject(CLSID_ReverbEditor);
    ASSERT_TRUE(effects && pages);
    void* out = nullptr;
    ASSERT_HRESULT_SUCCEEDED(effects->CreateInstance(nullptr, IID_IInPlaceEffect, &out));
    IInPlaceEffect* effect = static_cast<IInPlaceEffect*>(out);
    ASSERT_HRESULT_SUCCEEDED(pages->CreateInstance(nullptr, IID_IPropPage, &out));
    IPropPage* page = static_cast<IPropPage*>(out);
    SiteDouble site;
    HostWindow host;
    page->SetPageSite(&site);
    ASSERT_EQ(page->SetObject(effect), 1);
    HWND window = page->CreatePageWindow(host.window);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(page->Activate(), 1);
    Scroll(window, IDC_REVERB_SCROLL, SB_THUMBTRACK, 15000);
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    float reverb = 0;
    control->get_ReverbLevel(&reverb);
    EXPECT_EQ(reverb, 0.5f);
    control->Release();
    EXPECT_GE(site.changes, 2);
    page->Deactivate();
    page->DestroyPageWindow();
    page->ClearObject();
    EXPECT_EQ(page->Release(), 0u);
    EXPECT_EQ(effect->Release(), 0u);
    pages->Release();
    effects->Release();
}

TEST_F(Module, RegistrationRoundTripWithCoCreateInstance) {
    EXPECT_HR(S_OK, Export<NoArgumentFn>(module, "DllRegisterServer")());
    void* out = nullptr;
    EXPECT_HR(S_OK, CoCreateInstance(CLSID_ReverbEffect, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IInPlaceEffect, &out));
    if (out) {
        EXPECT_EQ(static_cast<IInPlaceEffect*>(out)->Release(), 0u);
    }
    out = nullptr;
    EXPECT_HR(S_OK, CoCreateInstance(CLSID_ReverbEditor, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IPropPage, &out));
    if (out) {
        EXPECT_EQ(static_cast<IPropPage*>(out)->Release(), 0u);
    }
    EXPECT_HR(S_OK, Export<NoArgumentFn>(module, "DllUnregisterServer")());
    out = reinterpret_cast<void*>(1);
    EXPECT_HR(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_ReverbEffect, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IInPlaceEffect, &out));
    EXPECT_EQ(out, nullptr);
}

TEST_F(Module, RegistersWithTheSystemsOwnTool) {
    const std::wstring path = BesideTheTest(L"LumbrookReverb.dll");
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s \"" + path + L"\""), 0u);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT,
                            L"CLSID\\{54E01043-0B2A-11D5-96DC-444553540000}\\InprocServer32", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    void* out = nullptr;
    EXPECT_HR(S_OK, CoCreateInstance(CLSID_ReverbEffect, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IUnknown, &out));
    if (out) static_cast<IUnknown*>(out)->Release();
    ASSERT_EQ(RunProgram(L"regsvr32.exe /u /s \"" + path + L"\""), 0u);
    for (const wchar_t* clsid : {L"CLSID\\{54E01042-0B2A-11D5-96DC-444553540000}",
                                 L"CLSID\\{54E01043-0B2A-11D5-96DC-444553540000}"}) {
        EXPECT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, clsid, 0, KEY_READ, &key), ERROR_SUCCESS)
            << clsid;
    }
}

}  // namespace
}  // namespace lumbrook
