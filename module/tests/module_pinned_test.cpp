// A host that imports the framework may free the plug-in after loading it.
// The framework's records point into the plug-in, so it must stay mapped and
// keep serving effects and pages. A process of its own: the records and the
// pin last for the process.
#include <gtest/gtest.h>

#include <vector>

#include "framework_records.h"
#include "module_support.h"

namespace lumbrook {
namespace {

using namespace test;

TEST(ModulePinned, FreedPluginStillServesItsClassesThroughTheFramework) {
    HMODULE module = LoadPlugin();
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));  // more than the host ever took
    ASSERT_EQ(GetModuleHandleW(L"LumbrookReverb.dll"), module) << "the plug-in was unmapped";

    void* out = nullptr;
    ASSERT_EQ(HRESULT(S_OK),
              CActiveMovieManager::GetClassObject(CLSID_ReverbEffect, IID_IClassFactory, &out));
    IClassFactory* effects = static_cast<IClassFactory*>(out);
    ASSERT_EQ(HRESULT(S_OK), effects->CreateInstance(nullptr, IID_IInPlaceEffect, &out));
    IInPlaceEffect* effect = static_cast<IInPlaceEffect*>(out);
    StartStream(effect, 2, 44100);
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    ASSERT_NE(control, nullptr);
    EXPECT_HR(S_OK, control->put_DryLevel(0.5f));
    std::vector<float> buffer(2 * 64, 0.25f);
    EXPECT_EQ(effect->ProcessInPlace(buffer.data(), 64), 1);
    EXPECT_EQ(buffer[0], 0.125f);  // the dry half of the first frame, nothing else yet
    EXPECT_EQ(control->Release(), 1u);
    EXPECT_EQ(effect->Release(), 0u);
    EXPECT_EQ(effects->Release(), 0u);

    ASSERT_EQ(HRESULT(S_OK),
              CActiveMovieManager::GetClassObject(CLSID_ReverbEditor, IID_IClassFactory, &out));
    IClassFactory* pages = static_cast<IClassFactory*>(out);
    ASSERT_EQ(HRESULT(S_OK), pages->CreateInstance(nullptr, IID_IPropPage, &out));
    EXPECT_EQ(static_cast<IPropPage*>(out)->Release(), 0u);
    EXPECT_EQ(pages->Release(), 0u);

    // Loading again finds the same module: nothing is registered twice.
    HMODULE again = LoadPlugin();
    EXPECT_EQ(again, module);
    EXPECT_EQ(Cwdxpx1AddFactoryCalls(), 2);
}

}  // namespace
}  // namespace lumbrook
