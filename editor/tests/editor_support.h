// Drives the page as a host does: a host window, a page site that counts its
// notifications, a control double, and real user messages.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_test_support.h"
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

// An effect stand-in that records what the page does with it, every property
// call in order ("get_RoomSize", "put_LoEq"). Dispatch is none of the page's
// business; reads can be made to fail.
class ControlDouble : public IReverbControl, public IEditorNotify {
public:
    explicit ControlDouble(bool withNotify = true) : withNotify_(withNotify) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IReverbControl))
            *out = static_cast<IReverbControl*>(this);
        else if (withNotify_ && IsEqualIID(iid, IID_IEditorNotify))
            *out = static_cast<IEditorNotify*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return Unexpected();
    }

#define DOUBLE_ACCESSORS(Name, Type)                         \
    HRESULT STDMETHODCALLTYPE get_##Name(Type* v) override { \
        return Read("get_" #Name, ParamId::Name, v);         \
    }                                                        \
    HRESULT STDMETHODCALLTYPE put_##Name(Type v) override {  \
        return Write("put_" #Name, ParamId::Name, v);        \
    }
    LUMBROOK_AUTOMATION_SLOTS(DOUBLE_ACCESSORS)
#undef DOUBLE_ACCESSORS

    HRESULT STDMETHODCALLTYPE AttachEditor(IPropPage*) override {
        ++attaches;
        ++calls;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DetachEditor(IPropPage*) override {
        ++detaches;
        ++calls;
        return S_OK;
    }

    float values[kParamCount] = {};
    int32_t switches[kParamCount] = {};
    int writes[kParamCount] = {};
    int calls = 0;                 // every property call and notification
    std::vector<std::string> log;  // the property calls, in order
    int attaches = 0, detaches = 0;
    ULONG refs = 1;                     // the test's own reference
    ParamId failRead = ParamId::Count;  // this getter fails

private:
    HRESULT Unexpected() {
        ADD_FAILURE() << "the page used IDispatch";
        return E_NOTIMPL;
    }
    HRESULT Read(const char* name, ParamId id, float* v) {
        ++calls;
        log.push_back(name);
        if (id == failRead) return E_FAIL;
        *v = values[int(id)];
        return S_OK;
    }
    HRESULT Read(const char* name, ParamId id, int32_t* v) {
        ++calls;
        log.push_back(name);
        if (id == failRead) return E_FAIL;
        *v = switches[int(id)];
        return S_OK;
    }
    HRESULT Write(const char* name, ParamId id, float v) {
        ++calls;
        log.push_back(name);
        ++writes[int(id)];
        values[int(id)] = v;
        return S_OK;
    }
    HRESULT Write(const char* name, ParamId id, int32_t v) {
        ++calls;
        log.push_back(name);
        ++writes[int(id)];
        switches[int(id)] = v;
        return S_OK;
    }
    bool withNotify_;
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
