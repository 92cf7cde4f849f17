// What the page's controls do: scroll bars, edit boxes and check boxes each
// write one property of the bound effect at once and tell the page site;
// UpdateControls shows the effect's values and Apply writes the controls back.
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <string>

#include "afx_string.h"
#include "module_state.h"
#include "page_controls.h"
#include "property_access.h"
#include "resource.h"
#include "reverb_editor.h"

namespace lumbrook {

namespace {

// The whole text of an edit box, whatever its length: a number typed with
// many leading zeros must not be cut to its first digits. Empty when the
// memory for it cannot be had (no exception leaves a message handler).
std::string ControlText(HWND box) {
    try {
        const int length = ::GetWindowTextLengthA(box);
        std::string text(size_t(length > 0 ? length : 0) + 1, '\0');
        const int copied = ::GetWindowTextA(box, &text[0], int(text.size()));
        text.resize(copied > 0 ? size_t(copied) : 0);
        return text;
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

}  // namespace

const AFX_MSGMAP_ENTRY ReverbEditor::messageEntries[] = {
    AFX_ON_WM_HSCROLL(ReverbEditor, OnHScroll) AFX_ON_COMMAND(
        ReverbEditor, BN_CLICKED, IDC_BYPASS,
        OnCheckBoxClicked) AFX_ON_COMMAND(ReverbEditor, EN_CHANGE, IDC_PREDELAY_EDIT, OnEditChange)
        AFX_ON_COMMAND(ReverbEditor, EN_CHANGE, IDC_LOEQ_EDIT, OnEditChange) AFX_ON_COMMAND(
            ReverbEditor, EN_CHANGE, IDC_HIEQ_EDIT,
            OnEditChange) AFX_ON_COMMAND(ReverbEditor, EN_CHANGE, IDC_DRY_EDIT, OnEditChange)
            AFX_ON_COMMAND(ReverbEditor, EN_CHANGE, IDC_DAMPING_EDIT, OnEditChange) AFX_ON_COMMAND(
                ReverbEditor, EN_CHANGE, IDC_ROOMSIZE_EDIT,
                OnEditChange) AFX_ON_COMMAND(ReverbEditor, EN_CHANGE, IDC_REVERB_EDIT, OnEditChange)
                AFX_ON_COMMAND(ReverbEditor, EN_KILLFOCUS, IDC_PREDELAY_EDIT,
                               OnEditKillFocus) AFX_ON_COMMAND(ReverbEditor, EN_KILLFOCUS,
                                                               IDC_LOEQ_EDIT, OnEditKillFocus)
                    AFX_ON_COMMAND(ReverbEditor, EN_KILLFOCUS, IDC_HIEQ_EDIT,
                                   OnEditKillFocus) AFX_ON_COMMAND(ReverbEditor, EN_KILLFOCUS,
                                                                   IDC_DRY_EDIT, OnEditKillFocus)
                        AFX_ON_COMMAND(ReverbEditor, EN_KILLFOCUS, IDC_DAMPING_EDIT,
                                       OnEditKillFocus) AFX_ON_COMMAND(ReverbEditor, EN_KILLFOCUS,
                                                                       IDC_ROOMSIZE_EDIT,
                                                                       OnEditKillFocus)
                            AFX_ON_COMMAND(ReverbEditor, EN_KILLFOCUS, IDC_REVERB_EDIT,
                                           OnEditKillFocus)
                                AFX_ON_COMMAND(ReverbEditor, STN_CLICKED, IDC_LOGO, OnLogoClicked)
                                    AFX_ON_COMMAND(ReverbEditor, BN_CLICKED, IDC_ENABLE_EQ,
                                                   OnCheckBoxClicked)
                                        AFX_ON_COMMAND(ReverbEditor, EN_CHANGE, IDC_EARLYREF_EDIT,
                                                       OnEditChange)
                                            AFX_ON_COMMAND(ReverbEditor, EN_KILLFOCUS,
                                                           IDC_EARLYREF_EDIT, OnEditKillFocus)
                                                AFX_ON_COMMAND(ReverbEditor, BN_CLICKED,
                                                               IDC_EXTEND_TAIL, OnCheckBoxClicked)
                                                    AFX_END_MESSAGE_MAP};

const AFX_MSGMAP ReverbEditor::messageMap = {&CDialog::messageMap, messageEntries};

// Without a bound effect (the host binds one before it shows the page) the
// controls move but nothing is written.
HRESULT ReverbEditor::WriteValue(ParamId id, float value) {
    return control_ ? PutFloatProperty(control_, id, value) : E_UNEXPECTED;
}

HRESULT ReverbEditor::WriteSwitch(ParamId id, int32_t value) {
    return control_ ? PutSwitchProperty(control_, id, value) : E_UNEXPECTED;
}

HRESULT ReverbEditor::ReadValue(ParamId id, float* value) {
    return control_ ? GetFloatProperty(control_, id, value) : E_UNEXPECTED;
}

HRESULT ReverbEditor::ReadSwitch(ParamId id, int32_t* value) {
    return control_ ? GetSwitchProperty(control_, id, value) : E_UNEXPECTED;
}

void ReverbEditor::NotifySite() {
    if (pageSite_) pageSite_->OnChange();
}

void ReverbEditor::ShowValue(ParamId id, float value) {
    const ParamInfo& param = Param(id);
    CString text;
    text.Format(param.unit.format, DisplayFromValue(param.unit, value));
    SetDlgItemTextA(m_hWnd, Control(id).editId, text);
}

void ReverbEditor::SetScroll(ParamId id, int position) {
    SetScrollPos(::GetDlgItem(m_hWnd, Control(id).scrollId), SB_CTL, position, TRUE);
}

int ReverbEditor::Scroll(ParamId id) const {
    return GetScrollPos(::GetDlgItem(m_hWnd, Control(id).scrollId), SB_CTL);
}

BOOL ReverbEditor::OnInitDialog() {
    CDialog::OnInitDialog();
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = kScrollMaximum;
    info.nPage = kScrollPage;
    info.nPos = 0;
    for (ParamId id : kContinuousRows)
        SetScrollInfo(::GetDlgItem(m_hWnd, Control(id).scrollId), SB_CTL, &info, TRUE);
    initialized_ = 1;
    return FALSE;  // the dialog manager leaves the focus alone
}

// Every scroll message writes the row's property, even one that did not
// move the thumb (Home, End, the end of a drag).
void ReverbEditor::OnHScroll(UINT code, UINT thumb, CWnd* scrollBar) {
    CDialog::OnHScroll(code, thumb, scrollBar);
    if (!scrollBar) return;
    const ParamInfo* param = ParamForControl(GetDlgCtrlID(scrollBar->m_hWnd));
    if (!param || param->kind != ParamKind::Continuous) return;
    const PageControl& row = Control(param->id);
    int position = GetScrollPos(scrollBar->m_hWnd, SB_CTL);
    bool clamp = true;
    switch (code) {
    case SB_LINELEFT: position -= row.lineStep; break;
    case SB_LINERIGHT: position += row.lineStep; break;
    case SB_PAGELEFT: position -= row.pageStep; break;
    case SB_PAGERIGHT: position += row.pageStep; break;
    case SB_ENDSCROLL: break;
    case SB_THUMBTRACK:
        position = int(thumb);
        clamp = false;
        break;
    default: clamp = false; break;
    }
    if (clamp)
        position =
            position <= 0 ? 0 : (position >= kFullScalePosition ? kFullScalePosition : position);
    SetScrollPos(scrollBar->m_hWnd, SB_CTL, position, TRUE);
    const float value = PositionToValue(GetScrollPos(scrollBar->m_hWnd, SB_CTL));
    WriteValue(param->id, value);
    ShowValue(param->id, value);
    NotifySite();
}

// Only what the user types counts: text the page sets itself while the
// focus is elsewhere is not written back.
void ReverbEditor::OnEditChange(UINT id) {
    HWND box = ::GetDlgItem(m_hWnd, int(id));
    if (GetFocus() != box) return;
    const ParamInfo* param = ParamForControl(int(id));
    if (!param) return;
    const float value = ValueFromDisplay(
        param->unit, ClampDisplay(param->unit, std::atof(ControlText(box).c_str())));
    WriteValue(param->id, value);
    SetScroll(param->id, ValueToPosition(value));
    NotifySite();
}

// The box shows its clamped number in the row's format again; the value was
// written while typing.
void ReverbEditor::OnEditKillFocus(UINT id) {
    const ParamInfo* param = ParamForControl(int(id));
    if (!param) return;
    const std::string text = ControlText(::GetDlgItem(m_hWnd, int(id)));
    CString shown;
    shown.Format(param->unit.format, ClampDisplay(param->unit, std::atof(text.c_str())));
    SetDlgItemTextA(m_hWnd, int(id), shown);
    if (Control(param->id).notifyOnLeave) NotifySite();
}

void ReverbEditor::OnCheckBoxClicked(UINT id) {
    const ParamInfo* param = ParamForControl(int(id));
    if (!param) return;
    const bool checked = IsDlgButtonChecked(m_hWnd, int(id)) == BST_CHECKED;
    WriteSwitch(param->id, checked ? 1 : 0);
    NotifySite();
}

int32_t STDMETHODCALLTYPE ReverbEditor::UpdateControls() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!initialized_) return 1;
    for (ParamId id : kContinuousRows) {
        float value = 0.0f;
        if (FAILED(ReadValue(id, &value))) return 0;
        SetScroll(id, ValueToPosition(value));
        ShowValue(id, value);
    }
    for (ParamId id : {ParamId::EnableEq, ParamId::ExtendTail}) {
        int32_t value = 0;
        if (FAILED(ReadSwitch(id, &value))) return 0;
        CheckDlgButton(m_hWnd, Control(id).checkBoxId, value ? BST_CHECKED : BST_UNCHECKED);
    }
    // Bypass is a live switch for the moment, never shown as a setting.
    CheckDlgButton(m_hWnd, Control(ParamId::Bypass).checkBoxId, BST_UNCHECKED);
    NotifySite();
    return 1;
}

int32_t STDMETHODCALLTYPE ReverbEditor::Apply() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!m_hWnd) return 1;
    float values[kContinuousRowCount];
    for (int i = 0; i < kContinuousRowCount; ++i)
        values[i] = PositionToValue(Scroll(kContinuousRows[i]));
    const int32_t enableEq =
        IsDlgButtonChecked(m_hWnd, Control(ParamId::EnableEq).checkBoxId) ? 1 : 0;
    const int32_t extendTail =
        IsDlgButtonChecked(m_hWnd, Control(ParamId::ExtendTail).checkBoxId) ? 1 : 0;
    for (int i = 0; i < kContinuousRowCount; ++i) WriteValue(kContinuousRows[i], values[i]);
    WriteSwitch(ParamId::EnableEq, enableEq);
    WriteSwitch(ParamId::ExtendTail, extendTail);
    return 1;
}

}  // namespace lumbrook
