// The automation interface by name through IDispatch with the type library
// registered: the names, the table layout it describes, coercion, and that
// every property reaches the same accessor, and coefficient, as a direct call.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "automation_support.h"
#include "beside_the_test.h"
#include "module_state.h"
#include "property_access.h"
#include "typelib_registration.h"

namespace lumbrook {
namespace {

using namespace test;

// How a help text gives a display range that is not a plain share of 0..1
// (the pre-delay's milliseconds, the shelves' decibels), from the unit's row.
std::wstring RangeHelp(const DisplayUnit& unit) {
    char text[64];
    std::snprintf(text, sizeof text,
                  unit.min < 0.0 ? "0 to 1 for %+g to %+g %s" : "0 to 1 for %g to %g %s", unit.min,
                  unit.max, unit.suffix);
    return Wide(text);
}

class Automation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_HRESULT_SUCCEEDED(RegisterTypeLibrary(BesideTheTest(L"ReverbControl.tlb").c_str()));
    }
    static void TearDownTestSuite() { EXPECT_HRESULT_SUCCEEDED(UnregisterTypeLibrary()); }

    void SetUp() override {
        effect_ = NewEffect();
        control_ = Query<IReverbControl>(effect_, IID_IDispatch);
        ASSERT_NE(control_, nullptr);
        StartStream(effect_, 2, 44100);
    }
    void TearDown() override {
        control_->Release();
        EXPECT_EQ(effect_->Release(), 0u);
    }
    EngineCoefficients Coefficients() { return AsEffect(effect_)->Coefficients(); }

    IInPlaceEffect* effect_ = nullptr;
    IReverbControl* control_ = nullptr;
};

TEST_F(Automation, TypeInformationDescribesTheDualInterface) {
    UINT count = 0;
    EXPECT_HR(S_OK, control_->GetTypeInfoCount(&count));
    EXPECT_EQ(count, 1u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_HR(E_INVALIDARG, control_->GetTypeInfo(1, 0, &info));
    EXPECT_EQ(info, nullptr);  // set first, as by every refused query
    EXPECT_HR(E_INVALIDARG, control_->GetTypeInfo(1, 0, nullptr));
    EXPECT_HR(S_OK, control_->GetTypeInfo(0, 0, &info));
    ASSERT_NE(info, nullptr);
    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IReverbControl));
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attributes);

    // A library of this build's own bitness: registered under its view, its
    // table laid out in slots of one pointer each.
    ITypeLib* library = nullptr;
    UINT index = 0;
    ASSERT_HRESULT_SUCCEEDED(info->GetContainingTypeLib(&library, &index));
    TLIBATTR* libraryAttributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&libraryAttributes));
    EXPECT_EQ(libraryAttributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(libraryAttributes);
    library->Release();

    // The table half: every accessor at the slot our interface gives it.
    constexpr int kSlotBytes = sizeof(void*);
    HREFTYPE ref = 0;
    ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref));
    ITypeInfo* table = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeInfo(ref, &table));
    ASSERT_HRESULT_SUCCEEDED(table->GetTypeAttr(&attributes));
    EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attributes->cbSizeVft, kControlTableSlots * kSlotBytes);
    const WORD functions = attributes->cFuncs;
    table->ReleaseTypeAttr(attributes);
    EXPECT_EQ(functions, 2 * kParamCount);
    for (WORD f = 0; f < functions; ++f) {
        FUNCDESC* desc = nullptr;
        ASSERT_HRESULT_SUCCEEDED(table->GetFuncDesc(f, &desc));
        const int slot = desc->oVft / kSlotBytes;
        const int row = (slot - kFirstPropertySlot) / 2;
        ASSERT_TRUE(slot >= kFirstPropertySlot && row < kParamCount) << "slot " << slot;
        const AutomationSlot& property = kAutomationSlots[row];
        const bool getter = (slot - kFirstPropertySlot) % 2 == 0;
        BSTR name = nullptr, help = nullptr;
        table->GetDocumentation(desc->memid, &name, &help, nullptr, nullptr);
        EXPECT_EQ(std::wstring(name), Wide(Param(property.id).property)) << "slot " << slot;
        const DisplayUnit& unit = Param(property.id).unit;
        if (unit.id == UnitId::Milliseconds || unit.id == UnitId::Decibels) {
            const std::wstring text = help ? help : L"", range = RangeHelp(unit);
            EXPECT_TRUE(text.size() >= range.size() &&
                        text.compare(text.size() - range.size(), range.size(), range) == 0)
                << "slot " << slot << ": the help text ends with the unit's range";
        }
        SysFreeString(help);
        EXPECT_EQ(desc->invkind, getter ? INVOKE_PROPERTYGET : INVOKE_PROPERTYPUT)
            << "slot " << slot;
        const VARTYPE type = property.getFloat ? VT_R4 : VT_I4;
        ASSERT_EQ(desc->cParams, 1);
        const TYPEDESC& arg = desc->lprgelemdescParam[0].tdesc;
        EXPECT_EQ(getter ? arg.lptdesc->vt : arg.vt, type) << "slot " << slot;
        SysFreeString(name);
        table->ReleaseFuncDesc(desc);
    }
    table->Release();
    info->Release();
}

TEST_F(Automation, NamesMapToTheirIdentifiers) {
    for (const ParamInfo& param : kParamTable) {
        EXPECT_NE(IdOf(control_, Wide(param.property).c_str()), DISPID_UNKNOWN) << param.property;
    }
    EXPECT_EQ(IdOf(control_, L"roomsize"), IdOf(control_, L"RoomSize"));
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Loudness")};
    DISPID id = 0;
    EXPECT_HR(DISP_E_UNKNOWNNAME, control_->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
}

// Writes by name reach the accessor and refresh exactly the coefficient it
// drives; reads by name give what the table's getter gives.
TEST_F(Automation, EveryPropertyByNameRefreshesItsCoefficient) {
    struct Case {
        ParamId id;
        VARIANT value;
        std::function<bool(const EngineCoefficients&)> refreshed;
    };
    const Case cases[] = {
        {ParamId::RoomSize, R4(1.0f),
         [](const EngineCoefficients& c) { return c.earlyLength == 10584 && c.feedback > 0.979f; }},
        {ParamId::Damping, R4(0.5f),
         [](const EngineCoefficients& c) { return c.damp1 == 0.2f && c.damp2 == 0.8f; }},
        {ParamId::Bypass, I4(1), [](const EngineCoefficients& c) { return c.bypassActive == 1; }},
        {ParamId::PreDelay, R4(1.0f),
         [](const EngineCoefficients& c) { return c.preDelayLength == 4410; }},
        {ParamId::ReverbLevel, R4(0.25f),
         [](const EngineCoefficients& c) { return c.wetGain == 0.25f; }},
        {ParamId::DryLevel, R4(0.125f),
         [](const EngineCoefficients& c) { return c.dryGain == 0.125f; }},
        {ParamId::LoEq, R4(1.0f),
         [](const EngineCoefficients& c) { return c.loShelfGain == 1.4125375747680664f; }},
        {ParamId::HiEq, R4(0.0f),
         [](const EngineCoefficients& c) { return c.hiShelfGain == 0.7079457640647888f; }},
        {ParamId::EnableEq, I4(0), [](const EngineCoefficients& c) { return c.eqEnabled == 0; }},
        {ParamId::EarlyRef, R4(1.0f),
         [](const EngineCoefficients& c) { return c.earlyGain == 0.4f; }},
        {ParamId::ExtendTail, I4(2), [](const EngineCoefficients&) { return true; }},
    };
    for (const Case& c : cases) {
        const ParamInfo& param = Param(c.id);
        SCOPED_TRACE(param.property);
        const EngineCoefficients before = Coefficients();
        EXPECT_FALSE(c.refreshed(before) && c.id != ParamId::ExtendTail);
        EXPECT_HR(S_OK, PutByName(control_, Wide(param.property).c_str(), c.value));
        EXPECT_TRUE(c.refreshed(Coefficients()));
        VARIANT read;
        EXPECT_HR(S_OK, GetByName(control_, Wide(param.property).c_str(), &read));
        ReverbParams block;
        effect_->GetParams(&block, 44);
        if (param.kind == ParamKind::Continuous) {
            EXPECT_EQ(read.vt, VT_R4);
            EXPECT_EQ(read.fltVal, c.value.fltVal);
            EXPECT_EQ(block.*param.floatField, c.value.fltVal);
        } else {
            EXPECT_EQ(read.vt, VT_I4);
            EXPECT_EQ(read.lVal, c.value.lVal);
            EXPECT_EQ(block.*param.switchField, c.value.lVal);
        }
    }
    int32_t tail = 0;
    control_->get_ExtendTail(&tail);
    EXPECT_EQ(tail, 2);
    float buffer[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    int32_t done = 0;
    EXPECT_EQ(effect_->ProcessTail(buffer, 2, &done), 1);  // 2 counts as on
}

TEST_F(Automation, ValuesOfOtherTypesAreCoerced) {
    EXPECT_HR(S_OK, PutByName(control_, L"RoomSize", R8(0.1)));
    float room = 0;
    control_->get_RoomSize(&room);
    EXPECT_EQ(room, 0.1f);  // rounded to the nearest float
    EXPECT_HR(S_OK, PutByName(control_, L"DryLevel", I4(1)));
    float dry = 0;
    control_->get_DryLevel(&dry);
    EXPECT_EQ(dry, 1.0f);
    EXPECT_HR(S_OK, PutByName(control_, L"EnableEq", R8(2.5)));
    int32_t eq = -1;
    control_->get_EnableEq(&eq);
    EXPECT_EQ(eq, 2);  // round half to even
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"loud");
    EXPECT_HR(DISP_E_TYPEMISMATCH, PutByName(control_, L"Bypass", text));
    VariantClear(&text);
    int32_t bypass = -1;
    control_->get_Bypass(&bypass);
    EXPECT_EQ(bypass, 0);
}

TEST_F(Automation, DispatchFailuresComeFromTheRightPlace) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_HR(DISP_E_UNKNOWNINTERFACE,
              control_->Invoke(IdOf(control_, L"RoomSize"), IID_IUnknown, 0, DISPATCH_PROPERTYGET,
                               &none, &result, nullptr, nullptr));
    // A put without the named argument is refused by the type information.
    VARIANT value = R4(0.5f);
    DISPPARAMS unnamed = {&value, nullptr, 1, 0};
    EXPECT_HR(DISP_E_PARAMNOTFOUND,
              control_->Invoke(IdOf(control_, L"RoomSize"), IID_NULL, 0, DISPATCH_PROPERTYPUT,
                               &unnamed, nullptr, nullptr, nullptr));
    EXPECT_HR(DISP_E_MEMBERNOTFOUND, control_->Invoke(999, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                                      &result, nullptr, nullptr));
}

TEST_F(Automation, AccessorsRestoreTheCallersModuleState) {
    AFX_MODULE_STATE hosts = {nullptr, nullptr, nullptr};
    AFX_MODULE_STATE* previous = AfxSetModuleState(&hosts);
    EXPECT_HR(S_OK, PutByName(control_, L"HiEq", R4(0.75f)));
    float value = 0;
    EXPECT_HR(S_OK, control_->get_HiEq(&value));
    EXPECT_EQ(AfxGetModuleState(), &hosts);
    AfxSetModuleState(previous);
}

}  // namespace
}  // namespace lumbrook
