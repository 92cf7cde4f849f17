// The page's controls against the effect: display, scrolling, typing,
// leaving a box, check boxes, UpdateControls and Apply.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "page_fixture.h"

namespace lumbrook {
namespace {

using namespace test;

TEST_F(PageTest, UpdateControlsShowsTheEffectsValues) {
    control->put_ReverbLevel(0.7f);
    control->put_DryLevel(0.8f);
    control->put_LoEq(0.5f);
    control->put_PreDelay(0.123f);
    control->put_HiEq(1.0f);
    control->put_EnableEq(0);
    control->put_ExtendTail(5);
    EXPECT_EQ(page->UpdateControls(), 1);
    EXPECT_EQ(Position(window, IDC_REVERB_SCROLL), 20999);
    EXPECT_EQ(Text(window, IDC_REVERB_EDIT), "70.0");
    EXPECT_EQ(Position(window, IDC_DRY_SCROLL), 24000);
    EXPECT_EQ(Text(window, IDC_DRY_EDIT), "80.0");
    EXPECT_EQ(Position(window, IDC_LOEQ_SCROLL), 15000);
    EXPECT_EQ(Text(window, IDC_LOEQ_EDIT), "0.00");
    EXPECT_EQ(Text(window, IDC_HIEQ_EDIT), "6.00");
    EXPECT_EQ(Text(window, IDC_PREDELAY_EDIT), "12.3");
    EXPECT_EQ(Text(window, IDC_ROOMSIZE_EDIT), "0.0");
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_ENABLE_EQ), UINT(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_EXTEND_TAIL), UINT(BST_CHECKED));
    EXPECT_EQ(site.changes, 1);
}

TEST_F(PageTest, ScrollStepsClampAndWriteEveryTime) {
    control->put_RoomSize(0.0f);
    page->UpdateControls();
    Scroll(window, IDC_ROOMSIZE_SCROLL, SB_LINERIGHT);
    EXPECT_EQ(Position(window, IDC_ROOMSIZE_SCROLL), 150);
    EXPECT_EQ(Value(ParamId::RoomSize), 150 * kPositionScale);
    EXPECT_LT(double(Value(ParamId::RoomSize)), 0.005);  // just below
    EXPECT_EQ(Text(window, IDC_ROOMSIZE_EDIT), "0.5");
    EXPECT_EQ(site.changes, 2);  // the refresh, then the step
    page->UpdateControls();      // 150 k reads back as 149
    EXPECT_EQ(Position(window, IDC_ROOMSIZE_SCROLL), 149);
    EXPECT_EQ(Text(window, IDC_ROOMSIZE_EDIT), "0.5");

    control->put_Damping(ValueAt(2000));
    control->put_LoEq(ValueAt(2000));
    page->UpdateControls();
    ASSERT_EQ(Position(window, IDC_DAMPING_SCROLL), 2000);
    Scroll(window, IDC_DAMPING_SCROLL, SB_PAGELEFT);
    EXPECT_EQ(Position(window, IDC_DAMPING_SCROLL), 0);
    Scroll(window, IDC_LOEQ_SCROLL, SB_PAGELEFT);
    EXPECT_EQ(Position(window, IDC_LOEQ_SCROLL), 0);
    EXPECT_EQ(Value(ParamId::LoEq), 0.0f);
    EXPECT_EQ(Text(window, IDC_LOEQ_EDIT), "-6.00");
    Scroll(window, IDC_LOEQ_SCROLL, SB_LINERIGHT);  // 0.05 dB on the equaliser rows
    EXPECT_EQ(Position(window, IDC_LOEQ_SCROLL), 125);
    Scroll(window, IDC_LOEQ_SCROLL, SB_PAGERIGHT);
    EXPECT_EQ(Position(window, IDC_LOEQ_SCROLL), 2625);

    control->put_DryLevel(ValueAt(29900));
    page->UpdateControls();
    ASSERT_EQ(Position(window, IDC_DRY_SCROLL), 29900);
    Scroll(window, IDC_DRY_SCROLL, SB_LINERIGHT);
    EXPECT_EQ(Position(window, IDC_DRY_SCROLL), 30000);
    EXPECT_EQ(Value(ParamId::DryLevel), 1.0f);
    Scroll(window, IDC_DRY_SCROLL, SB_PAGERIGHT);
    EXPECT_EQ(Position(window, IDC_DRY_SCROLL), 30000);
}

TEST_F(PageTest, ThumbDragEndsClampedAndHomeEndDoNotMove) {
    site.changes = 0;
    Scroll(window, IDC_PREDELAY_SCROLL, SB_THUMBTRACK, 30001);
    EXPECT_EQ(Position(window, IDC_PREDELAY_SCROLL), 30001);
    EXPECT_EQ(Value(ParamId::PreDelay), 1.0000334f);
    EXPECT_EQ(Text(window, IDC_PREDELAY_EDIT), "100.0");
    Scroll(window, IDC_PREDELAY_SCROLL, SB_THUMBPOSITION, 30001);
    EXPECT_EQ(Value(ParamId::PreDelay), 1.0000334f);  // written again, unchanged
    Scroll(window, IDC_PREDELAY_SCROLL, SB_ENDSCROLL);
    EXPECT_EQ(Position(window, IDC_PREDELAY_SCROLL), 30000);
    EXPECT_EQ(Value(ParamId::PreDelay), 1.0f);
    EXPECT_EQ(site.changes, 3);

    Scroll(window, IDC_HIEQ_SCROLL, SB_THUMBTRACK, 12345);
    control->put_HiEq(0.25f);  // changed elsewhere: Home writes the thumb's value back
    Scroll(window, IDC_HIEQ_SCROLL, SB_LEFT);
    EXPECT_EQ(Position(window, IDC_HIEQ_SCROLL), 12345);
    EXPECT_EQ(Value(ParamId::HiEq), ValueAt(12345));
    Scroll(window, IDC_HIEQ_SCROLL, SB_RIGHT);
    EXPECT_EQ(Position(window, IDC_HIEQ_SCROLL), 12345);
    EXPECT_EQ(site.changes, 6);
}

TEST_F(PageTest, TypingWritesTheClampedValueAndLeavingReformats) {
    Type(window, IDC_REVERB_EDIT, "33.33");
    EXPECT_EQ(Value(ParamId::ReverbLevel), 0.3333f);
    EXPECT_EQ(Position(window, IDC_REVERB_SCROLL), 9998);
    EXPECT_EQ(Text(window, IDC_REVERB_EDIT), "33.33");
    const int changesWhileTyping = site.changes;
    EXPECT_EQ(changesWhileTyping, 5);  // one per keystroke
    SetFocus(Item(window, IDC_DRY_EDIT));
    EXPECT_EQ(Text(window, IDC_REVERB_EDIT), "33.3");
    EXPECT_EQ(Value(ParamId::ReverbLevel), 0.3333f);  // reformatting writes nothing
    EXPECT_EQ(site.changes, changesWhileTyping);      // and the reverb box does not notify

    Type(window, IDC_PREDELAY_EDIT, "150");
    EXPECT_EQ(Value(ParamId::PreDelay), 1.0f);
    EXPECT_EQ(Position(window, IDC_PREDELAY_SCROLL), 30000);
    EXPECT_EQ(Text(window, IDC_PREDELAY_EDIT), "150");
    const int beforeLeaving = site.changes;
    SetFocus(Item(window, IDC_LOEQ_EDIT));
    EXPECT_EQ(Text(window, IDC_PREDELAY_EDIT), "100.0");
    EXPECT_EQ(site.changes, beforeLeaving + 1);  // the pre-delay box notifies

    Type(window, IDC_LOEQ_EDIT, "-20");
    EXPECT_EQ(Value(ParamId::LoEq), 0.0f);
    SetFocus(Item(window, IDC_DAMPING_EDIT));
    EXPECT_EQ(Text(window, IDC_LOEQ_EDIT), "-6.00");

    control->put_Damping(0.6f);
    Type(window, IDC_DAMPING_EDIT, "abc");
    EXPECT_EQ(Value(ParamId::Damping), 0.0f);
    Type(window, IDC_HIEQ_EDIT, "xyz");
    EXPECT_EQ(Value(ParamId::HiEq), 0.5f);  // 0 dB
    SetFocus(Item(window, IDC_REVERB_EDIT));
    EXPECT_EQ(Text(window, IDC_HIEQ_EDIT), "0.00");

    Type(window, IDC_PREDELAY_EDIT, "12.34");
    EXPECT_EQ(Value(ParamId::PreDelay), float(12.34 * double(0.01f)));  // just below 0.1234
    EXPECT_LT(double(Value(ParamId::PreDelay)), 0.1234);
    EXPECT_EQ(Position(window, IDC_PREDELAY_SCROLL), 3701);
    EXPECT_EQ(page->Apply(), 1);
    EXPECT_EQ(Value(ParamId::PreDelay), ValueAt(3701));  // the bar's value, not the text's
    EXPECT_FLOAT_EQ(Value(ParamId::PreDelay), 0.12336667f);
}

TEST_F(PageTest, TextSetWhileTheFocusIsElsewhereIsNotWritten) {
    SetFocus(Item(window, IDC_DRY_EDIT));
    control->put_RoomSize(0.25f);
    SetDlgItemTextA(window, IDC_ROOMSIZE_EDIT, "90");
    EXPECT_EQ(Value(ParamId::RoomSize), 0.25f);
    // UpdateControls while the focus is in a box writes that box's shown
    // value back through the typed path.
    control->put_DryLevel(0.12345f);
    page->UpdateControls();
    EXPECT_EQ(Text(window, IDC_DRY_EDIT), "12.3");
    EXPECT_EQ(Value(ParamId::DryLevel), float(12.3 * double(0.01f)));
    EXPECT_EQ(Value(ParamId::RoomSize), 0.25f);
}

TEST_F(PageTest, CheckBoxesWriteSwitchesAndBypassIsNeverShown) {
    Click(window, IDC_EXTEND_TAIL);
    EXPECT_EQ(Switch(ParamId::ExtendTail), 1);
    Click(window, IDC_ENABLE_EQ);  // shown ticked after activation: now off
    EXPECT_EQ(Switch(ParamId::EnableEq), 0);
    Click(window, IDC_BYPASS);
    EXPECT_EQ(Switch(ParamId::Bypass), 1);
    EXPECT_EQ(AsEffect(effectInPlace)->Coefficients().bypassActive, 1);
    EXPECT_EQ(site.changes, 3);
    page->UpdateControls();
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_BYPASS), UINT(BST_UNCHECKED));
    EXPECT_EQ(AsEffect(effectInPlace)->Coefficients().bypassActive, 1);
    // Apply writes neither bypass nor the texts.
    page->Apply();
    EXPECT_EQ(Switch(ParamId::Bypass), 1);
    EXPECT_EQ(Switch(ParamId::ExtendTail), 1);
    EXPECT_EQ(Switch(ParamId::EnableEq), 0);
}

struct ShellRecord {
    std::string verb, file;
    int opened = 0;
};
ShellRecord gShell;

HINSTANCE WINAPI RecordShellOpen(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR folder,
                                 INT show) {
    EXPECT_EQ(owner, nullptr);
    EXPECT_STREQ(params, "");
    EXPECT_EQ(folder, nullptr);
    EXPECT_EQ(show, SW_SHOWNORMAL);
    gShell.verb = verb;
    gShell.file = file;
    ++gShell.opened;
    return reinterpret_cast<HINSTANCE>(42);
}

TEST_F(PageTest, LogoOpensTheWebPageAndChangesNothing) {
    ReverbEditor::SetShellOpenForTesting(RecordShellOpen);
    unsigned char before[44], after[44];
    effectInPlace->GetParams(before, 44);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_LOGO, STN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(window, IDC_LOGO)));
    ReverbEditor::SetShellOpenForTesting(nullptr);
    EXPECT_EQ(gShell.opened, 1);
    EXPECT_EQ(gShell.verb, "open");
    EXPECT_EQ(gShell.file, ReverbEditor::kWebAddress);
    effectInPlace->GetParams(after, 44);
    EXPECT_EQ(std::memcmp(before, after, 44), 0);
    EXPECT_EQ(site.changes, 0);
}

// Only the notifications the page's table routes do anything: a click from
// a box, typing or leaving reported for a check box or a scroll bar, and
// codes the page does not handle change no property, tell no one and open
// nothing.
TEST_F(PageTest, CommandsFromOtherControlsOrWithOtherCodesChangeNothing) {
    const struct {
        const char* what;
        int id;
        WORD code;
    } cases[] = {
        {"click from the pre-delay box", IDC_PREDELAY_EDIT, BN_CLICKED},
        {"click from the low-shelf box", IDC_LOEQ_EDIT, BN_CLICKED},
        {"click from a scroll bar", IDC_ROOMSIZE_SCROLL, BN_CLICKED},
        {"change from the bypass box", IDC_BYPASS, EN_CHANGE},
        {"leaving the equaliser switch", IDC_ENABLE_EQ, EN_KILLFOCUS},
        {"leaving a scroll bar", IDC_HIEQ_SCROLL, EN_KILLFOCUS},
        {"focus into the dry box", IDC_DRY_EDIT, EN_SETFOCUS},
        {"change from the logo", IDC_LOGO, EN_CHANGE},
        {"click from no control", 0, BN_CLICKED},
    };
    ReverbEditor::SetShellOpenForTesting(RecordShellOpen);
    gShell = ShellRecord();
    ReverbParams before, after;
    effectInPlace->GetParams(&before, 44);
    const std::string preDelayText = Text(window, IDC_PREDELAY_EDIT);
    for (const auto& c : cases) {
        SetFocus(Item(window, c.id));
        site.changes = 0;
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(c.id, c.code),
                     reinterpret_cast<LPARAM>(Item(window, c.id)));
        EXPECT_EQ(site.changes, 0) << c.what;
        effectInPlace->GetParams(&after, 44);
        EXPECT_EQ(std::memcmp(&before, &after, 44), 0) << c.what;
    }
    ReverbEditor::SetShellOpenForTesting(nullptr);
    EXPECT_EQ(Text(window, IDC_PREDELAY_EDIT), preDelayText);
    EXPECT_EQ(gShell.opened, 0);
}

// The eight rows as the page's user meets them: each scroll bar and each box
// drives its own property with its own steps, and leaving a box tells the
// site only for pre-delay and the two equaliser rows.
struct RowCase {
    ParamId id;
    int scrollId, editId, lineStep, pageStep;
    const char* lineText;  // shown after one line step right from 0
    const char* typed;
    float typedValue;
    const char* shownOnLeaving;
    bool notifiesOnLeaving;
};

const RowCase kRowCases[] = {
    {ParamId::PreDelay, 1004, 1008, 150, 3000, "0.5", "3", float(3 * double(0.01f)), "3.0", true},
    {ParamId::RoomSize, 1000, 1009, 150, 3000, "0.5", "3", float(3 * double(0.01f)), "3.0", false},
    {ParamId::Damping, 1002, 1010, 150, 3000, "0.5", "3", float(3 * double(0.01f)), "3.0", false},
    {ParamId::EarlyRef, 1017, 1018, 150, 3000, "0.5", "3", float(3 * double(0.01f)), "3.0", false},
    {ParamId::ReverbLevel, 1003, 1011, 150, 3000, "0.5", "3", float(3 * double(0.01f)), "3.0",
     false},
    {ParamId::DryLevel, 1001, 1012, 150, 3000, "0.5", "3", float(3 * double(0.01f)), "3.0", false},
    {ParamId::LoEq, 1005, 1013, 125, 2500, "-5.95", "3", 0.75f, "3.00", true},
    {ParamId::HiEq, 1006, 1014, 125, 2500, "-5.95", "-3", 0.25f, "-3.00", true},
};

TEST_F(PageTest, EveryRowDrivesItsOwnPropertyAndNotifiesAsItShould) {
    for (const RowCase& row : kRowCases) {
        SCOPED_TRACE(testing::Message() << "row of scroll bar " << row.scrollId);
        Scroll(window, row.scrollId, SB_THUMBTRACK, 0);
        Scroll(window, row.scrollId, SB_LINERIGHT);
        EXPECT_EQ(Position(window, row.scrollId), row.lineStep);
        EXPECT_EQ(Value(row.id), ValueAt(row.lineStep));
        EXPECT_EQ(Text(window, row.editId), row.lineText);
        Scroll(window, row.scrollId, SB_PAGERIGHT);
        EXPECT_EQ(Position(window, row.scrollId), row.lineStep + row.pageStep);
        EXPECT_EQ(Value(row.id), ValueAt(row.lineStep + row.pageStep));

        Type(window, row.editId, row.typed);
        EXPECT_EQ(Value(row.id), row.typedValue);
        EXPECT_EQ(Position(window, row.scrollId), int(double(row.typedValue) * 30000));
        const int before = site.changes;
        SetFocus(Item(window, IDC_BYPASS));
        EXPECT_EQ(Text(window, row.editId), row.shownOnLeaving);
        EXPECT_EQ(site.changes - before, row.notifiesOnLeaving ? 1 : 0);
        EXPECT_EQ(Value(row.id), row.typedValue);  // leaving writes nothing
    }
}

// Control ids as the template names them, each leading to its parameter.
TEST(PageControlTable, ControlsLeadToTheirParameters) {
    for (const RowCase& row : kRowCases) {
        EXPECT_EQ(ParamForControl(row.scrollId), &Param(row.id)) << row.scrollId;
        EXPECT_EQ(ParamForControl(row.editId), &Param(row.id)) << row.editId;
    }
    EXPECT_EQ(ParamForControl(1019), &Param(ParamId::ExtendTail));
    EXPECT_EQ(ParamForControl(1016), &Param(ParamId::EnableEq));
    EXPECT_EQ(ParamForControl(1007), &Param(ParamId::Bypass));
    EXPECT_EQ(ParamForControl(IDC_LOGO), nullptr);
    EXPECT_EQ(ParamForControl(0), nullptr);
    EXPECT_EQ(ParamForControl(-1), nullptr);
}

// Position to value is p times the float nearest 1/30,000, rounded once;
// value to position is v times 30,000 truncated toward zero. Values an
// automation client may store outside 0..1 keep their side of the scale.
TEST(PageControlTable, DisplayScaleConversions) {
    const float k = 3.3333334e-05f;
    for (int p = 0; p <= 30001; ++p) {
        ASSERT_EQ(PositionToValue(p), float(double(p) * double(k))) << p;
        const int back = ValueToPosition(PositionToValue(p));
        ASSERT_TRUE(back == p || back == p - 1) << p << " came back as " << back;
    }
    const struct {
        float value;
        int position;
    } cases[] = {{0.0f, 0},     {0.7f, 20999},   {0.8f, 24000},  {0.5f, 15000},
                 {1.0f, 30000}, {0.3333f, 9998}, {150 * k, 149}, {1.0000334f, 30001},
                 {2.0f, 60000}, {-0.00005f, -1}, {-0.5f, -15000}};
    for (const auto& c : cases) EXPECT_EQ(ValueToPosition(c.value), c.position) << c.value;
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(ValueToPosition(std::numeric_limits<float>::quiet_NaN()), 0);
    for (float huge : {1e30f, inf, std::numeric_limits<float>::max()})
        EXPECT_GE(ValueToPosition(huge), 30000) << huge;
    for (float huge : {-1e30f, -inf, -std::numeric_limits<float>::max()})
        EXPECT_LE(ValueToPosition(huge), 0) << huge;
}

}  // namespace
}  // namespace lumbrook
