// The entries a host or an automation client calls make the plug-in's module
// state current for their duration: the property accessors, and the page's
// window, whose dialog template exists only in the plug-in module. This
// executable carries no resources of its own, and it stands in for the
// framework's module-state functions with a recording double, so that it
// plays both sides: the host, whose state is current when it calls, and the
// plug-in, whose state points at the plug-in module's resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor_support.h"
#include "module_state.h"
#include "module_support.h"
#include "property_access.h"

namespace {

thread_local AFX_MODULE_STATE* tCurrent = nullptr;

struct StateChange {
    AFX_MODULE_STATE* made;
    AFX_MODULE_STATE* previous;
};
std::vector<StateChange> gChanges;

}  // namespace

// The double: the same contract as the framework's, with every change logged.
AFX_MODULE_STATE* AfxGetStaticModuleState() {
    static AFX_MODULE_STATE state = {GetModuleHandleW(nullptr), GetModuleHandleW(nullptr), nullptr};
    return &state;
}

AFX_MODULE_STATE* AfxGetModuleState() {
    return tCurrent ? tCurrent : AfxGetStaticModuleState();
}

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state) {
    AFX_MODULE_STATE* previous = tCurrent;
    tCurrent = state;
    gChanges.push_back({state, previous});
    return previous;
}

HINSTANCE AfxGetResourceHandle() {
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}

namespace lumbrook {
namespace {

using namespace test;

const LPCWSTR kDialogResource = MAKEINTRESOURCEW(5);  // RT_DIALOG

// The plug-in's state finds its resources in the plug-in module, as the
// module's entry sets it up; the host's state, current when the host calls,
// finds them in this executable, which has none.
class ModuleState : public testing::Test {
protected:
    void SetUp() override {
        plugin_ = LoadPlugin();
        ASSERT_NE(plugin_, nullptr);
        ASSERT_NE(FindResourceW(plugin_, MAKEINTRESOURCEW(IDD_REVERB_PAGE), kDialogResource),
                  nullptr);
        ASSERT_EQ(FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_REVERB_PAGE),
                                kDialogResource),
                  nullptr)
            << "the test must not carry the template itself";
        AfxGetStaticModuleState()->m_hCurrentResourceHandle = plugin_;
        previous_ = AfxSetModuleState(&host_);
        gChanges.clear();
    }
    void TearDown() override {
        AfxSetModuleState(previous_);
        AfxGetStaticModuleState()->m_hCurrentResourceHandle = GetModuleHandleW(nullptr);
        if (plugin_) FreeLibrary(plugin_);
    }

    // The call made the plug-in's state current and then gave the host's back.
    void ExpectGuarded(const char* what) {
        ASSERT_GE(gChanges.size(), 2u) << what << " never made the plug-in's state current";
        EXPECT_EQ(gChanges.front().made, AfxGetStaticModuleState()) << what;
        EXPECT_EQ(gChanges.front().previous, &host_) << what;
        EXPECT_EQ(gChanges.back().made, &host_) << what;
        EXPECT_EQ(AfxGetModuleState(), &host_) << what;
    }

    HMODULE plugin_ = nullptr;
    AFX_MODULE_STATE host_ = {GetModuleHandleW(nullptr), GetModuleHandleW(nullptr), nullptr};
    AFX_MODULE_STATE* previous_ = nullptr;
};

TEST_F(ModuleState, EveryAccessorRunsInThePluginsState) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    for (const ParamInfo& info : kParamTable) {
        const std::string getter = std::string("get_") + info.property;
        const std::string setter = std::string("put_") + info.property;
        gChanges.clear();
        if (info.kind == ParamKind::Continuous) {
            float value = 0.0f;
            EXPECT_HR(S_OK, GetFloatProperty(control, info.id, &value)) << getter;
            ExpectGuarded(getter.c_str());
            gChanges.clear();
            EXPECT_HR(S_OK, PutFloatProperty(control, info.id, 0.25f)) << setter;
        } else {
            int32_t value = 0;
            EXPECT_HR(S_OK, GetSwitchProperty(control, info.id, &value)) << getter;
            ExpectGuarded(getter.c_str());
            gChanges.clear();
            EXPECT_HR(S_OK, PutSwitchProperty(control, info.id, 1)) << setter;
        }
        ExpectGuarded(setter.c_str());
    }
    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

TEST_F(ModuleState, PageWindowComesFromThePluginsTemplate) {
    IPropPage* page = ReverbEditor::Create();
    ASSERT_NE(page, nullptr);
    page->AddRef();
    HostWindow host;
    gChanges.clear();
    const HWND window = page->CreatePageWindow(host.window);
    ASSERT_NE(window, nullptr) << "the template was not looked up in the plug-in module";
    ExpectGuarded("CreatePageWindow");
    EXPECT_NE(Item(window, IDC_ROOMSIZE_SCROLL), nullptr);
    EXPECT_NE(Item(window, IDC_BYPASS), nullptr);
    EXPECT_EQ(page->DestroyPageWindow(), 1);
    EXPECT_EQ(page->Release(), 0u);
    EXPECT_EQ(AfxGetModuleState(), &host_);
}

}  // namespace
}  // namespace lumbrook
