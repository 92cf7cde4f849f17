// A page bound to a real effect, with a site, its window created in a host
// window and activated, as a host leaves it before the user acts.
#pragma once

#include "editor_support.h"

namespace lumbrook::test {

class PageTest : public ::testing::Test {
protected:
    void SetUp() override {
        effectInPlace = NewEffect();
        ASSERT_NE(effectInPlace, nullptr);
        control = Query<IReverbControl>(effectInPlace, IID_IReverbControl);
        editor = ReverbEditor::Create();
        ASSERT_NE(editor, nullptr);
        page = editor;
        EXPECT_EQ(page->AddRef(), 1u);
        EXPECT_EQ(page->SetPageSite(&site), 1);
        EXPECT_EQ(page->SetObject(effectInPlace), 1);
        window = page->CreatePageWindow(host.window);
        ASSERT_NE(window, nullptr);
        ShowWindow(host.window, SW_SHOW);
        ShowWindow(window, SW_SHOW);
        EXPECT_EQ(page->Activate(), 1);
        site.changes = 0;
    }

    void TearDown() override {
        page->Deactivate();
        page->DestroyPageWindow();
        page->ClearObject();
        EXPECT_EQ(page->Release(), 0u);
        control->Release();
        EXPECT_EQ(effectInPlace->Release(), 0u);
    }

    float Value(ParamId id) {
        ReverbParams block;
        effectInPlace->GetParams(&block, 44);
        return block.*Param(id).floatField;
    }
    int32_t Switch(ParamId id) {
        ReverbParams block;
        effectInPlace->GetParams(&block, 44);
        return block.*Param(id).switchField;
    }

    HostWindow host;
    SiteDouble site;
    IInPlaceEffect* effectInPlace = nullptr;
    IReverbControl* control = nullptr;
    ReverbEditor* editor = nullptr;
    IPropPage* page = nullptr;
    HWND window = nullptr;
};

}  // namespace lumbrook::test
