// Our host framework: factory records, class objects, the standard property
// page over a page, and the registry entries it writes and removes.
#include <gtest/gtest.h>

#include <string>

#include "active_movie_manager.h"
#include "com_test_support.h"
#include "registry_support.h"
#include "resource.h"

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

// What the framework did to the pages of the page factory double: the calls
// in order ("SetPageSite Activate"), the page's site, its bound object
// (its IReverbControl, one reference) and its window.
struct PageRecord {
    void Reset() { *this = PageRecord(); }
    int destroyed = 0;
    std::string calls;
    IPropPageSite* site = nullptr;
    IUnknown* bound = nullptr;
    HWND window = nullptr;
};

// A page double: it binds what answers IReverbControl, opens a plain child
// window, reports a change when activated (as the editor does when it shows
// the object's values) and counts its own destruction. The reserved slots
// and UpdateControls are none of the framework's business.
class PageDouble : public IPropPage {
public:
    explicit PageDouble(PageRecord* record) : record_(record) {}
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
            ++record_->destroyed;
            delete this;
            return 0;
        }
        return count_;
    }
    int32_t STDMETHODCALLTYPE SetObject(IUnknown* object) override {
        Log("SetObject");
        Unbind();
        void* control = nullptr;
        if (FAILED(object->QueryInterface(IID_IReverbControl, &control))) return 0;
        record_->bound = static_cast<IUnknown*>(control);
        return 1;
    }
    int32_t STDMETHODCALLTYPE ClearObject() override {
        Log("ClearObject");
        Unbind();
        return 1;
    }
    int32_t STDMETHODCALLTYPE Reserved1(int32_t, int32_t, int32_t, int32_t) override {
        return Unexpected();
    }
    int32_t STDMETHODCALLTYPE Activate() override {
        Log("Activate");
        if (record_->site) record_->site->OnChange();
        return 1;
    }
    int32_t STDMETHODCALLTYPE Deactivate() override {
        Log("Deactivate");
        return 1;
    }
    int32_t STDMETHODCALLTYPE Reserved2(int32_t) override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE Apply() override {
        Log("Apply");
        return 1;
    }
    int32_t STDMETHODCALLTYPE UpdateControls() override { return Unexpected(); }
    int32_t STDMETHODCALLTYPE SetPageSite(IPropPageSite* site) override {
        Log(site ? "SetPageSite" : "SetPageSite(null)");
        record_->site = site;
        return 1;
    }
    HWND STDMETHODCALLTYPE CreatePageWindow(HWND parent) override {
        Log("CreatePageWindow");
        record_->window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, parent,
                                          nullptr, nullptr, nullptr);
        return record_->window;
    }
    int32_t STDMETHODCALLTYPE DestroyPageWindow() override {
        Log("DestroyPageWindow");
        return DestroyWindow(record_->window);
    }

private:
    virtual ~PageDouble() { Unbind(); }
    void Log(const char* call) {
        if (!record_->calls.empty()) record_->calls += ' ';
        record_->calls += call;
    }
    void Unbind() {
        if (record_->bound) record_->bound->Release();
        record_->bound = nullptr;
    }
    int32_t Unexpected() {
        ADD_FAILURE() << "unexpected page call";
        return 0;
    }
    ULONG count_ = 0;
    PageRecord* record_;
};

// Its template is the editor's, linked into this test.
class PageFactoryDouble : public IPropPageFactory, public PageRecord {
public:
    const GUID* STDMETHODCALLTYPE GetClassId() override { return &kPageClass; }
    const WCHAR* STDMETHODCALLTYPE GetTitle() override { return L"Test Page"; }
    IPropPage* STDMETHODCALLTYPE CreatePage() override { return new PageDouble(this); }
    HINSTANCE STDMETHODCALLTYPE GetResourceInstance() override { return GetModuleHandleW(nullptr); }
    int32_t STDMETHODCALLTYPE GetDialogId() override { return IDD_REVERB_PAGE; }
};

// The property frame's site: it counts its references and the status
// changes; the page has no business with the rest.
class FrameSiteDouble : public IPropertyPageSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return Unexpected();
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override {
        ++statusChanges;
        status = flags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID*) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown**) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return Unexpected(); }
    ULONG refs = 1;  // the test's own
    int statusChanges = 0;
    DWORD status = 0;

private:
    HRESULT Unexpected() {
        ADD_FAILURE() << "unexpected page site call";
        return E_NOTIMPL;
    }
};

// A visible top-level window standing in for the frame's page area.
struct FrameWindow {
    FrameWindow()
        : window(CreateWindowExW(0, L"STATIC", L"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 480, 420, nullptr, nullptr, nullptr, nullptr)) {}
    ~FrameWindow() { DestroyWindow(window); }
    HWND window;
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
    void SetUp() override { gPageFactory.Reset(); }

    static IClassFactory* ClassObject(const GUID& clsid) {
        void* out = nullptr;
        EXPECT_HR(S_OK, CActiveMovieManager::GetClassObject(clsid, IID_IClassFactory, &out));
        return static_cast<IClassFactory*>(out);
    }

    // A new page as the system's property frame makes it.
    static IPropertyPage* NewPropertyPage() {
        IClassFactory* factory = ClassObject(kPageClass);
        if (!factory) return nullptr;
        void* out = nullptr;
        EXPECT_HR(S_OK, factory->CreateInstance(nullptr, IID_IPropertyPage, &out));
        factory->Release();
        return static_cast<IPropertyPage*>(out);
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

TEST_F(Framework, PropertyPageIsAnObjectOfItsOwnAroundThePage) {
    IPropertyPage* page = NewPropertyPage();
    ASSERT_NE(page, nullptr);
    void* out = nullptr;
    EXPECT_HR(S_OK, page->QueryInterface(IID_IUnknown, &out));
    EXPECT_EQ(out, static_cast<void*>(page));
    EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 1u);
    for (const GUID* iid : {&IID_IPropPage, &IID_IPropertyPage2, &IID_IDispatch}) {
        out = reinterpret_cast<void*>(1);
        EXPECT_HR(E_NOINTERFACE, page->QueryInterface(*iid, &out));
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_HR(E_POINTER, page->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_HR(E_NOTIMPL, page->Help(L"x"));
    EXPECT_EQ(gPageFactory.calls, "");
    EXPECT_EQ(page->Release(), 0u);
    EXPECT_EQ(gPageFactory.destroyed, 1);
}

INT_PTR CALLBACK NoDialogProcedure(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

TEST_F(Framework, PageInfoGivesTheTitleAndTheTemplatesSizeInPixels) {
    FrameWindow frame;
    HWND laidOut = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_REVERB_PAGE),
                                      frame.window, NoDialogProcedure, 0);
    ASSERT_NE(laidOut, nullptr);
    RECT expected;
    GetWindowRect(laidOut, &expected);
    DestroyWindow(laidOut);

    IPropertyPage* page = NewPropertyPage();
    ASSERT_NE(page, nullptr);
    PROPPAGEINFO info;
    std::memset(&info, 0xA5, sizeof info);
    EXPECT_HR(S_OK, page->GetPageInfo(&info));
    EXPECT_EQ(info.cb, sizeof info);
    EXPECT_STREQ(info.pszTitle, L"Test Page");
    EXPECT_NE(info.pszTitle, gPageFactory.GetTitle());  // the caller frees its own copy
    EXPECT_EQ(info.size.cx, expected.right - expected.left);
    EXPECT_EQ(info.size.cy, expected.bottom - expected.top);
    EXPECT_EQ(info.pszDocString, nullptr);
    EXPECT_EQ(info.pszHelpFile, nullptr);
    EXPECT_EQ(info.dwHelpContext, 0u);
    CoTaskMemFree(info.pszTitle);
    EXPECT_HR(E_POINTER, page->GetPageInfo(nullptr));
    EXPECT_EQ(gPageFactory.calls, "");
    EXPECT_EQ(page->Release(), 0u);
}

TEST_F(Framework, ChangesOnThePageReachTheFramesSiteAsDirty) {
    FrameSiteDouble site;
    IPropertyPage* page = NewPropertyPage();
    ASSERT_NE(page, nullptr);
    EXPECT_HR(S_FALSE, page->IsPageDirty());
    EXPECT_HR(S_OK, page->SetPageSite(&site));
    EXPECT_EQ(site.refs, 2u);
    ASSERT_NE(gPageFactory.site, nullptr);
    EXPECT_EQ(gPageFactory.site->OnChange(), 1);
    EXPECT_EQ(site.statusChanges, 1);
    EXPECT_HR(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE, site.status);
    EXPECT_HR(S_OK, page->IsPageDirty());
    EXPECT_HR(S_OK, page->Apply());
    EXPECT_HR(S_FALSE, page->IsPageDirty());
    EXPECT_HR(S_OK, page->Apply());  // a clean page writes nothing
    EXPECT_HR(S_OK, page->SetPageSite(nullptr));
    EXPECT_EQ(site.refs, 1u);
    EXPECT_EQ(gPageFactory.site, nullptr);
    EXPECT_EQ(gPageFactory.calls, "SetPageSite Apply SetPageSite(null)");
    EXPECT_EQ(page->Release(), 0u);
}

TEST_F(Framework, SetObjectsBindsThePageToTheFirstObjectItTakes) {
    IInPlaceEffect* effect = NewEffect();
    ASSERT_NE(effect, nullptr);
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    IClassFactory* notAnEffect = ClassObject(kEffectClass);
    IPropertyPage* page = NewPropertyPage();
    ASSERT_TRUE(control && notAnEffect && page);
    IUnknown* objects[] = {nullptr, notAnEffect, effect};
    EXPECT_HR(S_OK, page->SetObjects(3, objects));
    EXPECT_EQ(gPageFactory.bound, control);
    EXPECT_EQ(gPageFactory.calls, "SetObject SetObject");
    gPageFactory.calls.clear();
    EXPECT_HR(S_OK, page->SetObjects(0, nullptr));
    EXPECT_EQ(gPageFactory.bound, nullptr);
    EXPECT_HR(S_OK, page->SetObjects(3, objects));
    EXPECT_HR(E_NOINTERFACE, page->SetObjects(2, objects));
    EXPECT_EQ(gPageFactory.bound, nullptr);
    EXPECT_HR(E_INVALIDARG, page->SetObjects(1, objects));
    EXPECT_HR(E_POINTER, page->SetObjects(1, nullptr));
    EXPECT_EQ(gPageFactory.calls,
              "ClearObject SetObject SetObject SetObject ClearObject ClearObject");
    EXPECT_EQ(page->Release(), 0u);
    EXPECT_EQ(notAnEffect->Release(), 0u);
    EXPECT_EQ(control->Release(), 1u);
    EXPECT_EQ(effect->Release(), 0u);
}

RECT RectInParent(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

TEST_F(Framework, ActivateOpensThePageWindowWhereTheFrameSays) {
    FrameWindow frame;
    FrameSiteDouble site;
    IPropertyPage* page = NewPropertyPage();
    ASSERT_NE(page, nullptr);
    page->SetPageSite(&site);
    const RECT area = {7, 9, 207, 159};
    EXPECT_HR(E_UNEXPECTED, page->Show(SW_SHOW));
    EXPECT_HR(E_POINTER, page->Activate(frame.window, nullptr, TRUE));
    EXPECT_HR(S_OK, page->Activate(frame.window, &area, TRUE));
    HWND window = gPageFactory.window;
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), frame.window);
    EXPECT_TRUE(RectInParent(window) == area);
    // The page reported the values it shows, which nobody changed.
    EXPECT_HR(S_FALSE, page->IsPageDirty());
    EXPECT_EQ(site.statusChanges, 0);
    EXPECT_HR(E_UNEXPECTED, page->Activate(frame.window, &area, TRUE));

    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_HR(S_OK, page->Show(SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(window));
    const RECT moved = {0, 0, 300, 200};
    EXPECT_HR(S_OK, page->Move(&moved));
    EXPECT_TRUE(RectInParent(window) == moved);
    MSG tab = {window, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_HR(S_OK, page->TranslateAccelerator(&tab));
    tab.hwnd = frame.window;
    EXPECT_HR(S_FALSE, page->TranslateAccelerator(&tab));

    EXPECT_HR(S_OK, page->Deactivate());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_HR(E_UNEXPECTED, page->Deactivate());
    EXPECT_HR(S_FALSE, page->TranslateAccelerator(&tab));
    EXPECT_EQ(gPageFactory.calls,
              "SetPageSite CreatePageWindow Activate Deactivate DestroyPageWindow");
    page->SetPageSite(nullptr);
    EXPECT_EQ(page->Release(), 0u);
}

TEST_F(Framework, LastReleaseClosesThePageAndLetsGoOfAll) {
    FrameWindow frame;
    FrameSiteDouble site;
    IInPlaceEffect* effect = NewEffect();
    IPropertyPage* page = NewPropertyPage();
    ASSERT_TRUE(effect && page);
    page->SetPageSite(&site);
    IUnknown* object = effect;
    EXPECT_HR(S_OK, page->SetObjects(1, &object));
    const RECT area = {0, 0, 100, 100};
    EXPECT_HR(S_OK, page->Activate(frame.window, &area, FALSE));
    HWND window = gPageFactory.window;
    gPageFactory.calls.clear();
    EXPECT_EQ(page->Release(), 0u);
    EXPECT_EQ(gPageFactory.calls, "Deactivate DestroyPageWindow ClearObject SetPageSite(null)");
    EXPECT_EQ(gPageFactory.destroyed, 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(site.refs, 1u);
    EXPECT_EQ(effect->Release(), 0u);
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
