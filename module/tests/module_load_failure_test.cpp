// A module whose effect factory the framework refuses does not load, and
// the editor factory is then never offered. A process of its own: the
// framework's records last for the process.
#include <gtest/gtest.h>

#include "framework_records.h"
#include "module_support.h"

namespace lumbrook {
namespace {

using namespace test;

class Impostor : public IInPlaceFactory {
public:
    const GUID* STDMETHODCALLTYPE GetClassId() override { return &CLSID_ReverbEffect; }
    const WCHAR* STDMETHODCALLTYPE GetName() override { return L"Impostor"; }
    IUnknown* STDMETHODCALLTYPE CreateEffect() override { return nullptr; }
    const char* STDMETHODCALLTYPE GetAnsiName() override { return "Impostor"; }
    const char* STDMETHODCALLTYPE GetHelpFile() override { return ""; }
    int32_t STDMETHODCALLTYPE GetFlag() override { return 0; }
};

TEST(ModuleLoadFailure, RefusedEffectFactoryFailsTheLoad) {
    static Impostor impostor;
    ASSERT_EQ(CActiveMovieManager::AddFactory(&impostor), S_OK);
    EXPECT_EQ(LoadPlugin(), nullptr);
    EXPECT_EQ(Cwdxpx1AddFactoryCalls(), 2);  // the impostor's, then the module's first
    IPropPageFactory* page = reinterpret_cast<IPropPageFactory*>(1);
    EXPECT_TRUE(Cwdxpx1RecordedFactory(0, nullptr, &page));
    EXPECT_EQ(page, nullptr);
    EXPECT_FALSE(Cwdxpx1RecordedFactory(1, nullptr, nullptr));
}

}  // namespace
}  // namespace lumbrook
