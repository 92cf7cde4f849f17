// CWnd and CDialog: the window and dialog pieces the editor uses, over plain
// Win32, with a message map that dispatches WM_HSCROLL and WM_COMMAND
// notifications by control id and notification code.
#pragma once

#include <windows.h>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object that owns the handle, or a temporary wrapper that stays
    // valid until the thread has asked for many more (do not keep it).
    static CWnd* FromHandle(HWND window);

    virtual BOOL DestroyWindow();

    HWND m_hWnd = nullptr;
};

class CDialog;
// Command handlers receive the id of the control that sent the notification.
using AfxCommandHandler = void (CDialog::*)(UINT id);
using AfxScrollHandler = void (CDialog::*)(UINT code, UINT position, CWnd* scrollBar);

// One message-map row: a WM_COMMAND notification (code, id) or WM_HSCROLL.
struct AFX_MSGMAP_ENTRY {
    UINT message;
    UINT code;
    UINT id;
    AfxCommandHandler command;
    AfxScrollHandler scroll;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* base;
    const AFX_MSGMAP_ENTRY* entries;  // ends with a row of message 0
};

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog from its template in the current resource module,
    // as a child of parent. False if the window could not be made.
    BOOL Create(UINT templateId, CWnd* parent);

    virtual BOOL OnInitDialog();
    BOOL DestroyWindow() override;

protected:
    // The window is going away (by DestroyWindow or with its parent).
    virtual void OnDestroy() {}
    void OnHScroll(UINT code, UINT position, CWnd* scrollBar);
    // A WM_COMMAND notification: runs the message map's row for its code and
    // control, if there is one. TRUE when something handled it.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP messageMap;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    CWnd* parent_;
};

// In a class: declares its message map. In its .cpp file define
// `const AFX_MSGMAP_ENTRY Class::messageEntries[]` with the AFX_ON_ rows and
// AFX_END_MESSAGE_MAP, and `const AFX_MSGMAP Class::messageMap`.
#define DECLARE_MESSAGE_MAP()                          \
protected:                                             \
    const AFX_MSGMAP* GetMessageMap() const override { \
        return &messageMap;                            \
    }                                                  \
    static const AFX_MSGMAP_ENTRY messageEntries[];    \
    static const AFX_MSGMAP messageMap;

#define AFX_ON_COMMAND(theClass, code, id, handler) \
    {WM_COMMAND, UINT(code), UINT(id), static_cast<AfxCommandHandler>(&theClass::handler), nullptr},
#define AFX_ON_WM_HSCROLL(theClass, handler) \
    {WM_HSCROLL, 0, 0, nullptr, static_cast<AfxScrollHandler>(&theClass::handler)},
#define AFX_END_MESSAGE_MAP \
    { 0, 0, 0, nullptr, nullptr }

// Releases the thread's temporary window wrappers.
void AfxDeleteTempMap();
