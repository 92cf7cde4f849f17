// The plug-in as automation clients we did not write see it: registered with
// the system's regsvr32, created by ProgID from VBScript and JScript run by
// the system's cscript, and called across apartments through the marshaller
// that the registered type library provides.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "automation_support.h"
#include "module_support.h"
#include "registry_support.h"
#include "reverb_params.h"
#include "typelib_registration.h"

namespace lumbrook {
namespace {

using namespace test;

constexpr DWORD kScriptPassed = 42;  // any early end of a script gives another code

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring PluginPath() {
    return BesideTheTest(L"LumbrookReverb.dll");
}

DWORD RunRegsvr32(const wchar_t* options) {
    return RunProgram(std::wstring(L"regsvr32.exe ") + options + L" \"" + PluginPath() + L"\"");
}

class ScriptClients : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_HRESULT_SUCCEEDED(RegisterTypeLibrary(BesideTheTest(L"ReverbControl.tlb").c_str()));
        ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
    }
    static void TearDownTestSuite() {
        EXPECT_EQ(RunRegsvr32(L"/u /s"), 0u);
        EXPECT_HRESULT_SUCCEEDED(UnregisterTypeLibrary());
    }
};

// What each property is set to, and what a new effect holds, as script text:
// exactly representable values, so both script languages compare exactly.
std::string SetValue(const ParamInfo& info) {
    static const char* const kSwitchValues[] = {"1", "0", "2"};
    const int index = static_cast<int>(info.id);
    if (info.kind == ParamKind::Switch)
        return kSwitchValues[(index - static_cast<int>(ParamId::ExtendTail)) % 3];
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", double(index + 1) / 16.0);
    return text;
}

std::string DefaultValue(const ParamInfo& info) {
    char text[32];
    std::snprintf(text, sizeof text, info.kind == ParamKind::Switch ? "%.0f" : "%.17g",
                  double(info.defaultValue));
    return text;
}

TEST_F(ScriptClients, RegistrationNamesTheEffectForScripts) {
    const std::wstring effectKey = L"CLSID\\" + GuidText(CLSID_ReverbEffect);
    const std::wstring editorKey = L"CLSID\\" + GuidText(CLSID_ReverbEditor);
    EXPECT_EQ(ReadString(L"Lumbrook.Reverb.1\\CLSID"), GuidText(CLSID_ReverbEffect));
    EXPECT_EQ(ReadString(L"Lumbrook.Reverb\\CLSID"), GuidText(CLSID_ReverbEffect));
    EXPECT_EQ(ReadString(L"Lumbrook.Reverb\\CurVer"), L"Lumbrook.Reverb.1");
    EXPECT_EQ(ReadString(L"Lumbrook.Reverb"), L"Lumbrook Reverb");
    EXPECT_EQ(ReadString(effectKey + L"\\ProgID"), L"Lumbrook.Reverb.1");
    EXPECT_EQ(ReadString(effectKey + L"\\VersionIndependentProgID"), L"Lumbrook.Reverb");
    EXPECT_EQ(ReadString(effectKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");
    EXPECT_EQ(ReadString(editorKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    for (const wchar_t* progId : {L"Lumbrook.Reverb", L"Lumbrook.Reverb.1"}) {
        CLSID clsid = GUID_NULL;
        EXPECT_HR(S_OK, CLSIDFromProgID(progId, &clsid)) << progId;
        EXPECT_TRUE(IsEqualGUID(clsid, CLSID_ReverbEffect)) << progId;
    }

    // Unregistration takes the names away with the classes; registering
    // again brings them back.
    ASSERT_EQ(RunRegsvr32(L"/u /s"), 0u);
    for (const wchar_t* key : {L"Lumbrook.Reverb", L"Lumbrook.Reverb.1"}) {
        EXPECT_FALSE(KeyExists(key)) << key;
        CLSID clsid;
        EXPECT_HR(CO_E_CLASSSTRING, CLSIDFromProgID(key, &clsid)) << key;
    }
    ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
    EXPECT_EQ(ReadString(L"Lumbrook.Reverb\\CurVer"), L"Lumbrook.Reverb.1");
}

TEST_F(ScriptClients, VBScriptSetsAndReadsEveryPropertyByName) {
    std::string script =
        "Option Explicit\n"
        "Dim failures, fx, fresh\n"
        "failures = 0\n"
        "Sub Check(ok, what)\n"
        "  If Not ok Then\n"
        "    WScript.Echo \"FAILED: \" & what\n"
        "    failures = failures + 1\n"
        "  End If\n"
        "End Sub\n"
        "Set fx = CreateObject(\"Lumbrook.Reverb\")\n"
        "Set fresh = CreateObject(\"Lumbrook.Reverb.1\")\n";
    // Every property set first, then every one read, so that two names
    // reaching one slot cannot pass.
    for (const ParamInfo& info : kParamTable)
        script += std::string("fx.") + info.property + " = " + SetValue(info) + "\n";
    for (const ParamInfo& info : kParamTable) {
        const std::string name = info.property;
        const std::string cast = info.kind == ParamKind::Switch ? "CLng" : "CSng";
        script += "Check fx." + name + " = " + cast + "(" + SetValue(info) + "), \"" + name +
                  " reads back \" & fx." + name + "\n";
        script += "Check fresh." + name + " = " + cast + "(" + DefaultValue(info) + "), \"new " +
                  name + " is \" & fresh." + name + "\n";
    }
    script +=
        "On Error Resume Next\n"
        "Dim value\n"
        "value = fx.NoSuchProperty\n"
        "Check Err.Number = 438, \"read of an unknown name gives \" & Err.Number\n"
        "Err.Clear\n"
        "fx.NoSuchProperty = 1\n"
        "Check Err.Number = 438, \"write of an unknown name gives \" & Err.Number\n"
        "Err.Clear\n"
        "fx.RoomSize = \"not a number\"\n"
        "Check Err.Number = 13, \"a string that is not a number gives \" & Err.Number\n"
        "Err.Clear\n"
        "fx.Bypass = \"0\"\n"
        "Check Err.Number = 0, \"a string that is a number gives \" & Err.Number\n"
        "On Error GoTo 0\n"
        "Check fx.Bypass = 0, \"Bypass from a numeric string is \" & fx.Bypass\n"
        "Check fx.RoomSize = CSng(" +
        SetValue(Param(ParamId::RoomSize)) +
        "), \"RoomSize after the refused write is \" & fx.RoomSize\n"
        "If failures = 0 Then WScript.Quit 42\n"
        "WScript.Quit 1\n";
    EXPECT_EQ(RunScript(L".vbs", script), kScriptPassed) << script;
}

TEST_F(ScriptClients, JScriptSetsAndReadsEveryPropertyByName) {
    std::string script =
        "var failures = 0;\n"
        "function check(ok, what) { if (!ok) { WScript.Echo('FAILED: ' + what); failures++; } }\n"
        "function errorOf(f) { try { f(); return 0; } catch (e) { return e.number >>> 0; } }\n"
        "var fx = new ActiveXObject('Lumbrook.Reverb');\n"
        "var fresh = new ActiveXObject('Lumbrook.Reverb.1');\n";
    for (const ParamInfo& info : kParamTable)
        script += std::string("fx.") + info.property + " = " + SetValue(info) + ";\n";
    for (const ParamInfo& info : kParamTable) {
        const std::string name = info.property;
        script += "check(fx." + name + " === " + SetValue(info) + ", '" + name +
                  " reads back ' + fx." + name + ");\n";
        script += "check(fresh." + name + " === " + DefaultValue(info) + ", 'new " + name +
                  " is ' + fresh." + name + ");\n";
    }
    // JScript reports an unknown name as its error 438 (0x800A01B6) or, as
    // Wine's does, passes the dispatch error through; a read may also just
    // give undefined. A type mismatch is 0x800A000D or DISP_E_TYPEMISMATCH.
    script +=
        "var read = errorOf(function () { if (fx.NoSuchProperty !== undefined) throw { number: 1 "
        "}; });\n"
        "check(read == 0 || read == 0x800A01B6 || read == 0x80020006, 'read of an unknown name "
        "gives ' + read.toString(16));\n"
        "var write = errorOf(function () { fx.NoSuchProperty = 1; });\n"
        "check(write == 0x800A01B6 || write == 0x80020006, 'write of an unknown name gives ' + "
        "write.toString(16));\n"
        "var mismatch = errorOf(function () { fx.RoomSize = 'not a number'; });\n"
        "check(mismatch == 0x800A000D || mismatch == 0x80020005, 'a string that is not a number "
        "gives ' + mismatch.toString(16));\n"
        "check(fx.RoomSize === " +
        SetValue(Param(ParamId::RoomSize)) +
        ", 'RoomSize after the refused write is ' + fx.RoomSize);\n"
        "WScript.Quit(failures == 0 ? 42 : 1);\n";
    EXPECT_EQ(RunScript(L".js", script), kScriptPassed) << script;
}

// Made in the multithreaded apartment, the effect is the object itself (it
// is registered for both models); a single-threaded apartment reaches it
// through a proxy built from the type library, which knows IReverbControl
// and nothing of the host's private interfaces.
TEST_F(ScriptClients, EffectMadeInTheMultithreadedApartmentServesASingleThreadedOne) {
    std::thread multithreaded([] {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        void* out = nullptr;
        ASSERT_EQ(HRESULT(S_OK), CoCreateInstance(CLSID_ReverbEffect, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IReverbControl, &out));
        IReverbControl* control = static_cast<IReverbControl*>(out);
        IInPlaceEffect* direct = Query<IInPlaceEffect>(control, IID_IInPlaceEffect);
        ASSERT_NE(direct, nullptr) << "not the object itself";
        IStream* stream = nullptr;
        ASSERT_EQ(HRESULT(S_OK),
                  CoMarshalInterThreadInterfaceInStream(IID_IReverbControl, control, &stream));

        std::thread singleThreaded([stream, control] {
            ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
            void* proxyOut = nullptr;
            EXPECT_HR(S_OK, CoGetInterfaceAndReleaseStream(stream, IID_IReverbControl, &proxyOut));
            IReverbControl* proxy = static_cast<IReverbControl*>(proxyOut);
            if (proxy) {
                EXPECT_NE(static_cast<void*>(proxy), static_cast<void*>(control));
                EXPECT_EQ(Query<IInPlaceEffect>(proxy, IID_IInPlaceEffect), nullptr);
                EXPECT_HR(S_OK, proxy->put_RoomSize(0.75f));
                float room = 0.0f;
                EXPECT_HR(S_OK, proxy->get_RoomSize(&room));
                EXPECT_EQ(room, 0.75f);
                EXPECT_HR(S_OK, PutByName(proxy, L"ExtendTail", I4(3)));
                VARIANT tail;
                EXPECT_HR(S_OK, GetByName(proxy, L"ExtendTail", &tail));
                EXPECT_EQ(tail.vt, VT_I4);
                EXPECT_EQ(tail.lVal, 3);
                proxy->Release();
            }
            CoUninitialize();
        });
        singleThreaded.join();

        // The calls reached the object made here.
        float room = 0.0f;
        EXPECT_HR(S_OK, control->get_RoomSize(&room));
        EXPECT_EQ(room, 0.75f);
        int32_t tail = 0;
        EXPECT_HR(S_OK, control->get_ExtendTail(&tail));
        EXPECT_EQ(tail, 3);
        direct->Release();
        EXPECT_EQ(control->Release(), 0u);
        CoUninitialize();
    });
    multithreaded.join();
}

// The page keeps its window and plain counts on one thread: asked for from
// the multithreaded apartment, COM makes it in a single-threaded one and
// hands back a proxy, which offers no host interface.
TEST_F(ScriptClients, EditorMadeFromTheMultithreadedApartmentStaysInItsOwn) {
    std::thread multithreaded([] {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        void* out = nullptr;
        EXPECT_HR(S_OK, CoCreateInstance(CLSID_ReverbEditor, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IUnknown, &out));
        if (IUnknown* page = static_cast<IUnknown*>(out)) {
            EXPECT_EQ(Query<IPropPage>(page, IID_IPropPage), nullptr) << "the page itself";
            page->Release();
        }
        CoUninitialize();
    });
    multithreaded.join();
}

}  // namespace
}  // namespace lumbrook
