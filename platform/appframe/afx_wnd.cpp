#include "afx_wnd.h"

#include <new>

#include "module_state.h"

namespace {

constexpr int kTempWrappers = 64;

// Wrappers for windows no object owns, reused in turn: the framework hands
// them out for the moment of a call, never to keep.
struct TempMap {
    CWnd wrappers[kTempWrappers];
    int next = 0;
};

thread_local TempMap* tTempMap = nullptr;

CWnd* TempWrapper(HWND window) {
    if (!tTempMap) {
        tTempMap = new (std::nothrow) TempMap;
        if (!tTempMap) return nullptr;
    }
    CWnd* wrapper = &tTempMap->wrappers[tTempMap->next];
    tTempMap->next = (tTempMap->next + 1) % kTempWrappers;
    wrapper->m_hWnd = window;
    return wrapper;
}

const wchar_t kOwnerProperty[] = L"Lumbrook.CWnd";

}  // namespace

void AfxDeleteTempMap() {
    delete tTempMap;
    tTempMap = nullptr;
}

CWnd* CWnd::FromHandle(HWND window) {
    if (!window) return nullptr;
    if (CWnd* owner = static_cast<CWnd*>(GetPropW(window, kOwnerProperty))) return owner;
    return TempWrapper(window);
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

const AFX_MSGMAP CDialog::messageMap = {nullptr, nullptr};

const AFX_MSGMAP* CDialog::GetMessageMap() const {
    return &messageMap;
}

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    templateId_ = templateId;
    parent_ = parent;
    HWND window = CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId),
                                     parent ? parent->m_hWnd : nullptr, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

BOOL CDialog::DestroyWindow() {
    return CWnd::DestroyWindow();
}

void CDialog::OnHScroll(UINT, UINT, CWnd*) {}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    const UINT code = HIWORD(wParam);
    const UINT id = LOWORD(wParam);
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->base) {
        for (const AFX_MSGMAP_ENTRY* entry = map->entries; entry && entry->message; ++entry) {
            if (entry->message == WM_COMMAND && entry->code == code && entry->id == id) {
                (this->*entry->command)(id);
                return TRUE;
            }
        }
    }
    return FALSE;
}

bool CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) return OnCommand(wParam, lParam) != FALSE;
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->base) {
        for (const AFX_MSGMAP_ENTRY* entry = map->entries; entry && entry->message; ++entry) {
            if (entry->message != WM_HSCROLL) continue;
            // The position is a signed 16-bit value.
            (this->*entry->scroll)(LOWORD(wParam), UINT(short(HIWORD(wParam))),
                                   FromHandle(reinterpret_cast<HWND>(lParam)));
            return true;
        }
    }
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        SetPropW(window, kOwnerProperty, dialog);
        dialog->m_hWnd = window;
        return dialog->OnInitDialog();
    }
    CDialog* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;
    switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL: return dialog->Dispatch(message, wParam, lParam);
    case WM_DESTROY: dialog->OnDestroy(); return FALSE;
    case WM_NCDESTROY:
        RemovePropW(window, kOwnerProperty);
        SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
        return FALSE;
    default: return FALSE;
    }
}
