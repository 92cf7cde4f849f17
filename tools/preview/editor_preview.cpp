// editor-preview: shows the editor page bound to an effect in a window of
// its own, as a host would, for looking at it and for screenshots.
// Usage: editor-preview [seconds]   (default 5; prints the window's screen
// rectangle as "x y width height").
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "framework_interfaces.h"
#include "reverb_editor.h"
#include "reverb_effect.h"

namespace {

class QuietSite : public IPropPageSite {
public:
    int32_t STDMETHODCALLTYPE OnChange() override { return 1; }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace lumbrook;
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    ReverbEffect* effect = ReverbEffect::Create();
    ReverbEditor* editor = ReverbEditor::Create();
    if (!effect || !editor) return 1;
    IInPlaceEffect* inPlace = effect;
    inPlace->AddRef();
    IPropPage* page = editor;
    page->AddRef();
    effect->LoadPreset(9);
    effect->put_EnableEq(1);
    effect->put_LoEq(0.625f);
    effect->put_HiEq(0.375f);
    effect->put_ExtendTail(1);

    HWND host = CreateWindowExW(0, L"STATIC", L"Lumbrook Reverb - Settings",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 40, 40,
                                200, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    QuietSite site;
    page->SetPageSite(&site);
    page->SetObject(inPlace);
    HWND window = page->CreatePageWindow(host);
    if (!window) return 1;
    RECT pageRect;
    GetWindowRect(window, &pageRect);
    RECT frame = {0, 0, pageRect.right - pageRect.left, pageRect.bottom - pageRect.top};
    AdjustWindowRectEx(&frame, GetWindowLongW(host, GWL_STYLE), FALSE, 0);
    SetWindowPos(host, nullptr, 40, 40, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER);
    page->Activate();
    ShowWindow(host, SW_SHOW);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(host);
    RECT shown;
    GetWindowRect(host, &shown);
    std::printf("%ld %ld %ld %ld\n", shown.left, shown.top, shown.right - shown.left,
                shown.bottom - shown.top);
    std::fflush(stdout);

    const DWORD end = GetTickCount() + DWORD(seconds) * 1000;
    while (GetTickCount() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    page->Deactivate();
    page->DestroyPageWindow();
    page->ClearObject();
    page->Release();
    DestroyWindow(host);
    inPlace->Release();
    return 0;
}
