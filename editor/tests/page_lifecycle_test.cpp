// The page as the host framework drives it: identity, reference counts,
// binding and rebinding, activation, and updates before and after its window.
#include <gtest/gtest.h>

#include "editor_support.h"
#include "module_state.h"

namespace lumbrook {
namespace {

using namespace test;

TEST(PageLifecycle, IdentityAndReferenceCounts) {
    IPropPage* page = ReverbEditor::Create();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->AddRef(), 1u);
    for (const GUID* iid : {&IID_IUnknown, &IID_IPropPage, &IID_IPropPageAlias}) {
        void* out = nullptr;
        EXPECT_HR(S_OK, page->QueryInterface(*iid, &out));
        EXPECT_EQ(out, static_cast<void*>(page));
    }
    EXPECT_EQ(page->AddRef(), 5u);
    for (const GUID* iid : {&IID_IDispatch, &IID_IReverbControl, &IID_IClassFactory}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_HR(E_NOINTERFACE, page->QueryInterface(*iid, &out));
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(page->Release(), 4u);
    EXPECT_EQ(page->Release(), 3u);
    EXPECT_EQ(page->Release(), 2u);
    EXPECT_EQ(page->Release(), 1u);
    EXPECT_EQ(page->Reserved1(1, 2, 3, 4), 0);
    EXPECT_EQ(page->Reserved2(9), 1);
    EXPECT_EQ(page->Release(), 0u);
}

TEST(PageLifecycle, BindingRebindingAndFailedBinds) {
    ControlDouble first, second, third;
    IPropPage* page = ReverbEditor::Create();
    page->AddRef();
    EXPECT_EQ(page->SetObject(static_cast<IReverbControl*>(&first)), 1);
    EXPECT_EQ(first.refs, 2u);
    EXPECT_EQ(page->SetObject(nullptr), 0);  // keeps the binding
    EXPECT_EQ(first.refs, 2u);
    EXPECT_EQ(page->SetObject(static_cast<IReverbControl*>(&second)), 1);
    EXPECT_EQ(first.refs, 1u);  // released exactly once
    EXPECT_EQ(second.refs, 2u);

    // An object without the control interface: refused, the page unbound.
    struct Plain : IUnknown {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
    } plain;
    EXPECT_EQ(page->SetObject(&plain), 0);
    EXPECT_EQ(second.refs, 1u);
    const int callsBefore = second.calls;
    HostWindow host;
    SiteDouble site;
    page->SetPageSite(&site);
    HWND window = page->CreatePageWindow(host.window);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(page->Activate(), 1);
    EXPECT_EQ(page->UpdateControls(), 0);  // nothing bound to read from
    Scroll(window, IDC_DRY_SCROLL, SB_LINERIGHT);
    EXPECT_EQ(page->Apply(), 1);
    EXPECT_EQ(page->Deactivate(), 1);
    EXPECT_EQ(second.calls, callsBefore);  // the earlier effect hears nothing more

    EXPECT_EQ(page->SetObject(static_cast<IReverbControl*>(&third)), 1);
    EXPECT_EQ(page->ClearObject(), 1);
    EXPECT_EQ(third.refs, 1u);
    EXPECT_EQ(page->ClearObject(), 1);
    page->DestroyPageWindow();
    EXPECT_EQ(page->Release(), 0u);
}

TEST(PageLifecycle, ReleasingABoundPageGivesTheEffectBack) {
    ControlDouble effect;
    IPropPage* page = ReverbEditor::Create();
    page->AddRef();
    page->SetObject(static_cast<IReverbControl*>(&effect));
    EXPECT_EQ(effect.refs, 2u);
    EXPECT_EQ(page->Release(), 0u);
    EXPECT_EQ(effect.refs, 1u);
}

TEST(PageLifecycle, ActivationTellsTheEffectEvenBeforeTheWindow) {
    ControlDouble effect;
    ControlDouble silent(false);
    SiteDouble site;
    IPropPage* page = NewBoundPage(effect, site);
    EXPECT_EQ(page->UpdateControls(), 1);  // no window: touches nothing
    EXPECT_EQ(effect.calls, 0);
    EXPECT_EQ(page->Activate(), 1);
    EXPECT_EQ(effect.attaches, 1);
    EXPECT_EQ(effect.refs, 2u);  // the notification interface was given back
    EXPECT_EQ(page->Deactivate(), 1);
    EXPECT_EQ(effect.detaches, 1);
    EXPECT_EQ(site.changes, 0);

    page->SetObject(static_cast<IReverbControl*>(&silent));  // no IEditorNotify
    EXPECT_EQ(page->Activate(), 1);
    EXPECT_EQ(page->Deactivate(), 1);
    page->ClearObject();
    EXPECT_EQ(page->Release(), 0u);
}

TEST(PageLifecycle, UpdatesAfterTheWindowIsGone) {
    ControlDouble effect;
    effect.values[int(ParamId::RoomSize)] = 0.5f;
    SiteDouble site;
    IPropPage* page = NewBoundPage(effect, site);
    {
        HostWindow host;
        HWND window = page->CreatePageWindow(host.window);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(Text(window, IDC_ROOMSIZE_EDIT), "");  // empty until the first update
        EXPECT_EQ(Position(window, IDC_ROOMSIZE_SCROLL), 0);
        EXPECT_EQ(page->UpdateControls(), 1);
        EXPECT_EQ(Position(window, IDC_ROOMSIZE_SCROLL), 15000);
        EXPECT_EQ(page->DestroyPageWindow(), 1);
        const int calls = effect.calls;
        EXPECT_EQ(page->UpdateControls(), 1);
        EXPECT_EQ(effect.calls, calls);

        // A second window; this one goes with its host window.
        window = page->CreatePageWindow(host.window);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(page->UpdateControls(), 1);
    }
    const int calls = effect.calls;
    EXPECT_EQ(page->UpdateControls(), 1);
    EXPECT_EQ(effect.calls, calls);
    EXPECT_EQ(page->DestroyPageWindow(), 0);

    // A failing read stops the refresh, without telling the site.
    HostWindow host;
    HWND window = page->CreatePageWindow(host.window);
    effect.failRead = ParamId::Damping;
    site.changes = 0;
    EXPECT_EQ(page->UpdateControls(), 0);
    EXPECT_EQ(Position(window, IDC_ROOMSIZE_SCROLL), 15000);  // rows before it were done
    EXPECT_EQ(site.changes, 0);
    effect.failRead = ParamId::ExtendTail;
    EXPECT_EQ(page->UpdateControls(), 0);
    page->ClearObject();
    page->DestroyPageWindow();
    EXPECT_EQ(page->Release(), 0u);
}

// UpdateControls reads the eight rows top to bottom, then the equaliser and
// tail switches, never bypass; Apply writes in the same order, each row from
// its scroll bar. A failing read ends the refresh right there.
TEST(PageLifecycle, UpdateControlsAndApplyKeepTheirOrder) {
    const char* const rows[] = {"PreDelay", "RoomSize", "Damping", "EarlyRef", "ReverbLevel",
                                "DryLevel", "LoEq",     "HiEq",    "EnableEq", "ExtendTail"};
    const ParamId ids[] = {ParamId::PreDelay, ParamId::RoomSize,    ParamId::Damping,
                           ParamId::EarlyRef, ParamId::ReverbLevel, ParamId::DryLevel,
                           ParamId::LoEq,     ParamId::HiEq};
    std::vector<std::string> reads, writes;
    for (const char* row : rows) {
        reads.push_back(std::string("get_") + row);
        writes.push_back(std::string("put_") + row);
    }
    ControlDouble effect;
    for (int i = 0; i < 8; ++i) effect.values[int(ids[i])] = ValueAt(1000 * (i + 1));
    effect.switches[int(ParamId::EnableEq)] = 1;
    SiteDouble site;
    IPropPage* page = NewBoundPage(effect, site);
    HostWindow host;
    HWND window = page->CreatePageWindow(host.window);
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(page->UpdateControls(), 1);
    EXPECT_EQ(effect.log, reads);
    effect.log.clear();
    for (int i = 0; i < 8; ++i) effect.values[int(ids[i])] = -1.0f;
    EXPECT_EQ(page->Apply(), 1);
    EXPECT_EQ(effect.log, writes);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(effect.values[int(ids[i])], ValueAt(1000 * (i + 1))) << rows[i];
    EXPECT_EQ(effect.switches[int(ParamId::EnableEq)], 1);
    EXPECT_EQ(effect.switches[int(ParamId::ExtendTail)], 0);

    effect.log.clear();
    effect.failRead = ParamId::Damping;
    EXPECT_EQ(page->UpdateControls(), 0);
    EXPECT_EQ(effect.log, std::vector<std::string>(reads.begin(), reads.begin() + 3));
    page->ClearObject();
    page->DestroyPageWindow();
    EXPECT_EQ(page->Release(), 0u);
}

TEST(PageLifecycle, OperationsRestoreTheCallersModuleState) {
    AFX_MODULE_STATE hosts = {nullptr, nullptr, nullptr};
    AFX_MODULE_STATE* previous = AfxSetModuleState(&hosts);
    IPropPage* page = ReverbEditor::Create();
    page->AddRef();
    HostWindow host;
    // The template is found in this module although the host's state, with
    // no resource module, was current.
    HWND window = page->CreatePageWindow(host.window);
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(AfxGetModuleState(), &hosts);
    page->DestroyPageWindow();
    EXPECT_EQ(page->Release(), 0u);
    EXPECT_EQ(AfxGetModuleState(), &hosts);
    AfxSetModuleState(previous);
}

}  // namespace
}  // namespace lumbrook
