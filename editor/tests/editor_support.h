// Drives the page as a host does: a host window, a page site that counts its
// notifications, a control double, and real user messages.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_test_support.h"
#include "control_double.h"
#include "framework_interfaces.h"
#include "page_controls.h"
#include "resource.h"
#include "reverb_editor.h"

namespace lumbrook::test {

class SiteDouble : public IPropPageSite {
public:
    int32_t STDMETHODCALLTYPE OnChange() override {
        ++changes;
        return 1;
    }
    int changes = 0;
};

// A new page with the host's first reference, its site and this double bound.
inline IPropPage* NewBoundPage(ControlDouble& effect, SiteDouble& site) {
    IPropPage* page = ReverbEditor::Create();
    page->AddRef();
    page->SetPageSite(&site);
    page->SetObject(static_cast<IReverbControl*>(&effect));
    return page;
}

// A visible top-level window of the test's, standing in for the host's frame.
class HostWindow {
public:
    HostWindow() {
        window = CreateWindowExW(0, L"STATIC", L"Host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                 480, 420, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~HostWindow() {
        if (IsWindow(window)) DestroyWindow(window);
    }
    HWND window;
};

inline HWND Item(HWND page, int id) {
    return GetDlgItem(page, id);
}

inline std::string Text(HWND page, int id) {
    char text[64] = {};
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

inline int Position(HWND page, int scrollId) {
    return GetScrollPos(Item(page, scrollId), SB_CTL);
}

inline void Scroll(HWND page, int scrollId, int code, int thumb = 0) {
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(code, WORD(short(thumb))),
                 reinterpret_cast<LPARAM>(Item(page, scrollId)));
}

// Types text into a box as a user does: focus it, select all, one character
// at a time.
inline void Type(HWND page, int editId, const char* text) {
    HWND box = Item(page, editId);
    SetFocus(box);
    SendMessageW(box, EM_SETSEL, 0, -1);
    for (const char* c = text; *c; ++c) SendMessageW(box, WM_CHAR, WPARAM(*c), 1);
}

inline void Click(HWND page, int buttonId) {
    SendMessageW(Item(page, buttonId), BM_CLICK, 0, 0);
}

inline float ValueAt(int position) {
    return PositionToValue(position);
}

}  // namespace lumbrook::test
