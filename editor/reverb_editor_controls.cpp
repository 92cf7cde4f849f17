// What the page's controls do: scroll bars, edit boxes and check boxes each
// write one property of the bound effect at once and tell the page site;
// UpdateControls shows the effect's values and Apply writes the controls back.
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <string>

#include "afx_string.h"
#include "framework_interfaces.h"
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

// The parameter controls are routed by the page's table (OnCommand); the
// map keeps the scroll bars' message and the logo.
const AFX_MSGMAP_ENTRY ReverbEditor::messageEntries[] = {
    AFX_ON_WM_HSCROLL(ReverbEditor, OnHScroll)
        AFX_ON_COMMAND(ReverbEditor, STN_CLICKED, IDC_LOGO, OnLogoClicked) AFX_END_MESSAGE_MAP};

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

void ReverbEditor::ShowValue(const PageControl& row, float value) {
    const ParamInfo& param = Param(row.id);
    CString text;
    text.Format(param.unit.format, DisplayFromValue(param.unit, value));
    SetDlgItemTextA(m_hWnd, row.editId, text);
}

void ReverbEditor::SetScroll(const PageControl& row, int position) {
    SetScrollPos(::GetDlgItem(m_hWnd, row.scrollId), SB_CTL, position, TRUE);
}

int ReverbEditor::Scroll(const PageControl& row) const {
    return GetScrollPos(::GetDlgItem(m_hWnd, row.scrollId), SB_CTL);
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
    for (const PageControl& row : kPageControls)
        if (row.scrollId) SetScrollInfo(::GetDlgItem(m_hWnd, row.scrollId), SB_CTL, &info, TRUE);
    initialized_ = 1;
    return FALSE;  // the dialog manager leaves the focus alone
}

// A typed change or a leave of one of the table's edit boxes, or a click on
// one of its check boxes; any other command goes to the message map.
BOOL ReverbEditor::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const PageControl* row = nullptr;
    switch (HIWORD(wParam)) {
    case EN_CHANGE:
        if ((row = RowOf(&PageControl::editId, id))) OnEditChange(*row);
        break;
    case EN_KILLFOCUS:
        if ((row = RowOf(&PageControl::editId, id))) OnEditKillFocus(*row);
        break;
    case BN_CLICKED:
        if ((row = RowOf(&PageControl::checkBoxId, id))) OnCheckBoxClicked(*row);
        break;
    }
    return row ? TRUE : CDialog::OnCommand(wParam, lParam);
}

// Every scroll message writes the row's property, even one that did not
// move the thumb (Home, End, the end of a drag).
void ReverbEditor::OnHScroll(UINT code, UINT thumb, CWnd* scrollBar) {
    CDialog::OnHScroll(code, thumb, scrollBar);
    if (!scrollBar) return;
    const PageControl* found = RowOf(&PageControl::scrollId, GetDlgCtrlID(scrollBar->m_hWnd));
    if (!found) return;
    const PageControl& row = *found;
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
    WriteValue(row.id, value);
    ShowValue(row, value);
    NotifySite();
}

// Only what the user types counts: text the page sets itself while the
// focus is elsewhere is not written back.
void ReverbEditor::OnEditChange(const PageControl& row) {
    HWND box = ::GetDlgItem(m_hWnd, row.editId);
    if (GetFocus() != box) return;
    const ParamInfo& param = Param(row.id);
    const float value =
        ValueFromDisplay(param.unit, ClampDisplay(param.unit, std::atof(ControlText(box).c_str())));
    WriteValue(row.id, value);
    SetScroll(row, ValueToPosition(value));
    NotifySite();
}

// The box shows its clamped number in the row's format again; the value was
// written while typing.
void ReverbEditor::OnEditKillFocus(const PageControl& row) {
    const ParamInfo& param = Param(row.id);
    const std::string text = ControlText(::GetDlgItem(m_hWnd, row.editId));
    CString shown;
    shown.Format(param.unit.format, ClampDisplay(param.unit, std::atof(text.c_str())));
    SetDlgItemTextA(m_hWnd, row.editId, shown);
    if (row.notifyOnLeave) NotifySite();
}

void ReverbEditor::OnCheckBoxClicked(const PageControl& row) {
    const bool checked = IsDlgButtonChecked(m_hWnd, row.checkBoxId) == BST_CHECKED;
    WriteSwitch(row.id, checked ? 1 : 0);
    NotifySite();
}

// The applied rows top to bottom; a failed read stops here, leaving the
// rows below as they were and the site untold.
int32_t STDMETHODCALLTYPE ReverbEditor::UpdateControls() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!initialized_) return 1;
    for (const PageControl& row : kPageControls) {
        if (!row.applied) continue;
        if (Param(row.id).kind == ParamKind::Continuous) {
            float value = 0.0f;
            if (FAILED(ReadValue(row.id, &value))) return 0;
            SetScroll(row, ValueToPosition(value));
            ShowValue(row, value);
        } else {
            int32_t value = 0;
            if (FAILED(ReadSwitch(row.id, &value))) return 0;
            CheckDlgButton(m_hWnd, row.checkBoxId, value ? BST_CHECKED : BST_UNCHECKED);
        }
    }
    for (const PageControl& row : kPageControls)
        if (!row.applied) CheckDlgButton(m_hWnd, row.checkBoxId, BST_UNCHECKED);
    NotifySite();
    return 1;
}

// Every control is read before the first write, then the applied rows are
// written top to bottom; the edit boxes' texts play no part.
int32_t STDMETHODCALLTYPE ReverbEditor::Apply() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!m_hWnd) return 1;
    float values[kParamCount] = {};
    int32_t switches[kParamCount] = {};
    for (int i = 0; i < kParamCount; ++i) {
        const PageControl& row = kPageControls[i];
        if (!row.applied) continue;
        if (Param(row.id).kind == ParamKind::Continuous)
            values[i] = PositionToValue(Scroll(row));
        else
            switches[i] = IsDlgButtonChecked(m_hWnd, row.checkBoxId) ? 1 : 0;
    }
    for (int i = 0; i < kParamCount; ++i) {
        const PageControl& row = kPageControls[i];
        if (!row.applied) continue;
        if (Param(row.id).kind == ParamKind::Continuous)
            WriteValue(row.id, values[i]);
        else
            WriteSwitch(row.id, switches[i]);
    }
    return 1;
}

}  // namespace lumbrook
