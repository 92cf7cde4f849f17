// A module whose factories the framework refuses does not load. Each case
// needs a process of its own (the framework's records last for the process),
// so each runs alone under a --gtest_filter of its own.
#include <gtest/gtest.h>

#include "framework_records.h"
#include "module_support.h"

namespace lumbrook {
namespace {

using namespace test;

class EffectImpostor : public IInPlaceFactory {
public:
    const GUID* STDMETHODCALLTYPE GetClassId() override { return &CLSID_ReverbEffect; }
    const WCHAR* STDMETHODCALLTYPE GetName() override { return L"Impostor"; }
    IUnknown* STDMETHODCALLTYPE CreateEffect() override { return nullptr; }
    const char* STDMETHODCALLTYPE GetAnsiName() override { return "Impostor"; }
    const char* STDMETHODCALLTYPE GetHelpFile() override { return ""; }
    int32_t STDMETHODCALLTYPE GetFlag() override { return 0; }
};

class PageImpostor : public IPropPageFactory {
public:
    const GUID* STDMETHODCALLTYPE GetClassId() override { return &CLSID_ReverbEditor; }
    const WCHAR* STDMETHODCALLTYPE GetTitle() override { return L"Impostor"; }
    IPropPage* STDMETHODCALLTYPE CreatePage() override { return nullptr; }
    HINSTANCE STDMETHODCALLTYPE GetResourceInstance() override { return nullptr; }
    int32_t STDMETHODCALLTYPE GetDialogId() override { return 0; }
};

// An impostor takes the class first; the module then must not load, after
// this many AddFactory calls in all.
template <typename Impostor>
void LoadFailsAfter(Impostor* impostor, int addFactoryCalls) {
    ASSERT_EQ(Cwdxpx1AddFactoryCalls(), 0) << "needs a process of its own";
    ASSERT_EQ(CActiveMovieManager::AddFactory(impostor), S_OK);
    EXPECT_EQ(LoadPlugin(), nullptr);
    EXPECT_EQ(Cwdxpx1AddFactoryCalls(), addFactoryCalls);
}

// The editor factory is then never offered.
TEST(ModuleLoadFailure, RefusedEffectFactoryFailsTheLoad) {
    static EffectImpostor impostor;
    LoadFailsAfter(&impostor, 2);  // the impostor's, then the module's first
    IPropPageFactory* page = reinterpret_cast<IPropPageFactory*>(1);
    EXPECT_TRUE(Cwdxpx1RecordedFactory(0, nullptr, &page));
    EXPECT_EQ(page, nullptr);
    EXPECT_FALSE(Cwdxpx1RecordedFactory(1, nullptr, nullptr));
}

// The effect factory was accepted and stays recorded; the load still fails.
TEST(ModuleLoadFailure, RefusedEditorFactoryFailsTheLoad) {
    static PageImpostor impostor;
    LoadFailsAfter(&impostor, 3);  // the impostor's, then the module's two
    IInPlaceFactory* effect = nullptr;
    IPropPageFactory* page = reinterpret_cast<IPropPageFactory*>(1);
    ASSERT_TRUE(Cwdxpx1RecordedFactory(1, &effect, &page));
    EXPECT_NE(effect, nullptr);
    EXPECT_EQ(page, nullptr);
    EXPECT_FALSE(Cwdxpx1RecordedFactory(2, nullptr, nullptr));
}

}  // namespace
}  // namespace lumbrook
