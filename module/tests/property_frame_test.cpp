// The editor page in the system's own property frame, as a client we did not
// write opens it: the plug-in registered with regsvr32, the effect made
// through COM, and its pages (ISpecifyPropertyPages) shown by
// OleCreatePropertyFrame. The frame is modal and runs its own loop, so a
// timer inside that loop finds the page, works its controls as a user does
// and closes the frame; a watchdog ends the program if the frame never returns.
#include <gtest/gtest.h>

#include <olectl.h>

#include <cstdio>

#include "derived_classes.h"
#include "editor_support.h"
#include "module_support.h"
#include "property_access.h"
#include "resource.h"

namespace lumbrook {
namespace {

using namespace test;

constexpr DWORD kFrameTimeoutMs = 60000;
constexpr UINT kVisitIntervalMs = 100;
constexpr int kVisitsBeforeGivingUp = 100;

DWORD RunRegsvr32(const wchar_t* options) {
    return RunProgram(std::wstring(L"regsvr32.exe ") + options + L" \"" +
                      BesideTheTest(L"LumbrookReverb.dll") + L"\"");
}

// Ends the program when it is not dismissed in time: a hung modal frame
// must fail the run, not hang it.
class Watchdog {
public:
    Watchdog() : dismissed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        thread_ = CreateThread(nullptr, 0, Watch, dismissed_, 0, nullptr);
    }
    ~Watchdog() {
        SetEvent(dismissed_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(dismissed_);
    }

private:
    static DWORD WINAPI Watch(void* dismissed) {
        if (WaitForSingleObject(static_cast<HANDLE>(dismissed), kFrameTimeoutMs) == WAIT_TIMEOUT) {
            std::fputs("FAIL: the property frame did not return in time\n", stderr);
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        return 0;
    }
    HANDLE dismissed_;
    HANDLE thread_;
};

// What the timer does inside the frame's loop, and what it found there.
struct FrameVisit {
    IReverbControl* effect;
    int closeWith;  // the frame's button that ends the visit: IDOK or IDCANCEL
    int visits = 0;
    HWND frame = nullptr;
    HWND page = nullptr;
};
FrameVisit* gVisit = nullptr;

BOOL CALLBACK FindFrame(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (!IsWindowVisible(window) || wcscmp(name, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindControl(HWND window, LPARAM search) {
    ControlSearch& s = *reinterpret_cast<ControlSearch*>(search);
    if (GetDlgCtrlID(window) != s.id) return TRUE;
    s.found = window;
    return FALSE;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

// Whether the Tab key, going round the frame's controls from its OK button,
// reaches a control of the page.
bool TabReaches(HWND frame, HWND page) {
    HWND control = GetDlgItem(frame, IDOK);
    for (int step = 0; step < 64 && control; ++step) {
        control = GetNextDlgTabItem(frame, control, FALSE);
        if (IsChild(page, control)) return true;
    }
    return false;
}

int32_t Bypass(IReverbControl* effect) {
    int32_t bypass = -1;
    EXPECT_HR(S_OK, effect->get_Bypass(&bypass));
    return bypass;
}

float Value(IReverbControl* effect, ParamId id) {
    float value = -1.0f;
    EXPECT_HR(S_OK, GetFloatProperty(effect, id, &value));
    return value;
}

// What the visit sets through the page: on steps of their scroll bars, so
// that the page's Apply, should the frame call it on OK, writes them again
// unchanged and OK and Cancel leave the same values.
constexpr int kRoomSizePosition = 15150;  // a thumb drag to 15,000, then one step right
constexpr float kTypedPreDelay = 0.25f;   // "25" ms

// The frame's page area (the page's parent) and the controls it cuts.
struct PageArea {
    HWND window;
    RECT shown;
    int cut;
};

BOOL CALLBACK CountCut(HWND control, LPARAM context) {
    PageArea& area = *reinterpret_cast<PageArea*>(context);
    RECT rect, inside;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, area.window, reinterpret_cast<POINT*>(&rect), 2);
    IntersectRect(&inside, &rect, &area.shown);
    if (!EqualRect(&inside, &rect)) ++area.cut;
    return TRUE;
}

int ControlsCut(HWND page) {
    PageArea area = {GetParent(page), {}, 0};
    GetClientRect(area.window, &area.shown);
    EnumChildWindows(page, CountCut, reinterpret_cast<LPARAM>(&area));
    return area.cut;
}

void CALLBACK VisitFrame(HWND, UINT, UINT_PTR timer, DWORD) {
    FrameVisit& visit = *gVisit;
    HWND frame = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFrame, reinterpret_cast<LPARAM>(&frame));
    ControlSearch bypass = {IDC_BYPASS, nullptr};
    if (frame) EnumChildWindows(frame, FindControl, reinterpret_cast<LPARAM>(&bypass));
    if (!bypass.found && ++visit.visits < kVisitsBeforeGivingUp) return;
    KillTimer(nullptr, timer);
    visit.frame = frame;
    if (!bypass.found) {
        ADD_FAILURE() << "no frame with the page's Bypass box appeared";
        if (frame) PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    // The frame's page area shows every control of the page, and the page
    // shows the effect's settings (Enable Eq, Room Size and PreDelay were set
    // before).
    visit.page = GetParent(bypass.found);
    EXPECT_TRUE(IsWindowVisible(visit.page));
    EXPECT_EQ(ControlsCut(visit.page), 0);
    EXPECT_EQ(IsDlgButtonChecked(visit.page, IDC_ENABLE_EQ), UINT(BST_CHECKED));
    EXPECT_TRUE(TabReaches(frame, visit.page));
    EXPECT_EQ(ClassOf(GetDlgItem(visit.page, IDC_ROOMSIZE_SCROLL)), L"ScrollBar");
    EXPECT_EQ(ClassOf(GetDlgItem(visit.page, IDC_PREDELAY_EDIT)), L"Edit");
    EXPECT_EQ(Text(visit.page, IDC_ROOMSIZE_EDIT), "90.0");
    EXPECT_EQ(Text(visit.page, IDC_PREDELAY_EDIT), "50.0");
    EXPECT_EQ(Bypass(visit.effect), 0);
    SendMessageW(bypass.found, BM_CLICK, 0, 0);
    EXPECT_EQ(Bypass(visit.effect), 1);
    SendMessageW(bypass.found, BM_CLICK, 0, 0);
    EXPECT_EQ(Bypass(visit.effect), 0);
    // A drag of the Room Size thumb and a step, and a number typed into the
    // PreDelay box, reach the effect at once.
    Scroll(visit.page, IDC_ROOMSIZE_SCROLL, SB_THUMBTRACK, 15000);
    Scroll(visit.page, IDC_ROOMSIZE_SCROLL, SB_THUMBPOSITION, 15000);
    Scroll(visit.page, IDC_ROOMSIZE_SCROLL, SB_ENDSCROLL);
    Scroll(visit.page, IDC_ROOMSIZE_SCROLL, SB_LINERIGHT);
    EXPECT_EQ(Position(visit.page, IDC_ROOMSIZE_SCROLL), kRoomSizePosition);
    EXPECT_EQ(Value(visit.effect, ParamId::RoomSize), ValueAt(kRoomSizePosition));
    EXPECT_EQ(Text(visit.page, IDC_ROOMSIZE_EDIT), "50.5");
    Type(visit.page, IDC_PREDELAY_EDIT, "25");
    EXPECT_EQ(Value(visit.effect, ParamId::PreDelay), kTypedPreDelay);
    EXPECT_EQ(Position(visit.page, IDC_PREDELAY_SCROLL), 7500);
    HWND button = GetDlgItem(frame, visit.closeWith);
    EXPECT_NE(button, nullptr);
    PostMessageW(button, BM_CLICK, 0, 0);
}

BOOL CALLBACK CountVisible(HWND window, LPARAM count) {
    if (IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

class PropertyFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
    }
    static void TearDownTestSuite() {
        EXPECT_EQ(RunRegsvr32(L"/u /s"), 0u);
        CoUninitialize();
    }
};

// The frame on the effect, and on what media hosts hold instead: the media
// object and the system's DMO wrapper around it (the legacy filter class).
TEST_F(PropertyFrame, ShowsTheEditorAndClosesOnOkAndOnCancel) {
    const struct {
        GUID clsid;
        int button;
        const char* what;
    } cases[] = {{CLSID_ReverbEffect, IDOK, "the effect, closed with OK"},
                 {CLSID_ReverbEffect, IDCANCEL, "the effect, closed with Cancel"},
                 {cwdxpx1::MediaObjectClassOf(CLSID_ReverbEffect), IDOK, "the media object"},
                 {cwdxpx1::FilterClassOf(CLSID_ReverbEffect), IDCANCEL, "the wrapper filter"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int button = c.button;
        IUnknown* effect = nullptr;
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(c.clsid, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IUnknown, reinterpret_cast<void**>(&effect)));
        IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
        ISpecifyPropertyPages* specify =
            Query<ISpecifyPropertyPages>(effect, IID_ISpecifyPropertyPages);
        ASSERT_TRUE(control && specify);
        EXPECT_HR(S_OK, control->put_EnableEq(1));
        EXPECT_HR(S_OK, control->put_RoomSize(0.9f));
        EXPECT_HR(S_OK, control->put_PreDelay(0.5f));
        CAUUID pages = {};
        ASSERT_HRESULT_SUCCEEDED(specify->GetPages(&pages));
        specify->Release();

        FrameVisit visit = {control, button};
        gVisit = &visit;
        ASSERT_NE(SetTimer(nullptr, 0, kVisitIntervalMs, VisitFrame), 0u);
        HRESULT shown;
        {
            Watchdog watchdog;
            shown =
                OleCreatePropertyFrame(nullptr, 0, 0, L"Lumbrook Reverb", 1, &effect, pages.cElems,
                                       pages.pElems, LOCALE_USER_DEFAULT, 0, nullptr);
        }
        gVisit = nullptr;
        CoTaskMemFree(pages.pElems);
        EXPECT_HR(S_OK, shown);
        EXPECT_NE(visit.page, nullptr);
        EXPECT_FALSE(IsWindow(visit.frame));
        EXPECT_FALSE(IsWindow(visit.page));
        int visible = 0;
        EnumThreadWindows(GetCurrentThreadId(), CountVisible, reinterpret_cast<LPARAM>(&visible));
        EXPECT_EQ(visible, 0);
        EXPECT_EQ(Value(control, ParamId::RoomSize), ValueAt(kRoomSizePosition));
        EXPECT_EQ(Value(control, ParamId::PreDelay), kTypedPreDelay);
        // The frame let go of its page and the page of the effect.
        control->Release();
        EXPECT_EQ(effect->Release(), 0u);
    }
}

}  // namespace
}  // namespace lumbrook
