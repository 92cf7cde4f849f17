// Dispatch with no type library registered, then the retry once it is: a
// failed load is not remembered. Runs in a process of its own, because the
// type information, once loaded, stays for the module's life.
#include <gtest/gtest.h>

#include "automation_support.h"
#include "beside_the_test.h"
#include "typelib_registration.h"

namespace lumbrook {
namespace {

using namespace test;

TEST(AutomationUnregistered, DispatchIsUnavailableButTheTableWorks) {
    UnregisterTypeLibrary();  // whatever an earlier run left behind
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IDispatch);
    ASSERT_NE(control, nullptr);

    UINT count = 7;
    EXPECT_HR(S_OK, control->GetTypeInfoCount(&count));
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_HR(E_INVALIDARG, control->GetTypeInfo(1, 0, &info));
    EXPECT_HR(E_NOTIMPL, control->GetTypeInfo(0, 0, &info));
    EXPECT_EQ(info, nullptr);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"RoomSize")};
    DISPID id = 0;
    EXPECT_HR(E_NOTIMPL, control->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_HR(DISP_E_UNKNOWNINTERFACE, control->Invoke(1, IID_IUnknown, 0, DISPATCH_PROPERTYGET,
                                                       &none, nullptr, nullptr, nullptr));
    EXPECT_HR(E_NOTIMPL, control->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr,
                                         nullptr, nullptr));

    // The editor's path, straight through the table, is unaffected.
    EXPECT_HR(S_OK, control->put_RoomSize(0.5f));
    float room = 0;
    EXPECT_HR(S_OK, control->get_RoomSize(&room));
    EXPECT_EQ(room, 0.5f);

    // Registered now: the next call loads it.
    ASSERT_HRESULT_SUCCEEDED(RegisterTypeLibrary(BesideTheTest(L"ReverbControl.tlb").c_str()));
    EXPECT_HR(S_OK, control->GetTypeInfoCount(&count));
    EXPECT_EQ(count, 1u);
    VARIANT value;
    EXPECT_HR(S_OK, GetByName(control, L"RoomSize", &value));
    EXPECT_EQ(value.vt, VT_R4);
    EXPECT_EQ(value.fltVal, 0.5f);
    // The cache outlives the registration.
    ASSERT_HRESULT_SUCCEEDED(UnregisterTypeLibrary());
    EXPECT_HR(S_OK, control->GetTypeInfoCount(&count));
    EXPECT_EQ(count, 1u);

    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

}  // namespace
}  // namespace lumbrook
