// editor-preview: shows the editor page bound to an effect, as a host
// would, for looking at it and for screenshots: in a window of its own, or
// with --frame in the system's property frame (OleCreatePropertyFrame), the
// page then coming from LumbrookReverb.dll beside this program.
// Usage: editor-preview [--frame] [seconds]   (default 5; prints the shown
// window's screen rectangle as "x y width height").
#include <windows.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "framework_interfaces.h"
#include "program_folder.h"
#include "reverb_editor.h"
#include "reverb_effect.h"

namespace {

class QuietSite : public IPropPageSite {
public:
    int32_t STDMETHODCALLTYPE OnChange() override { return 1; }
};

void PrintRect(HWND window) {
    RECT shown;
    GetWindowRect(window, &shown);
    std::printf("%ld %ld %ld %ld\n", shown.left, shown.top, shown.right - shown.left,
                shown.bottom - shown.top);
    std::fflush(stdout);
}

// The frame runs its own loop; this timer, inside it, prints where the
// frame is once it shows and cancels it when the time is up.
DWORD gFrameEnd = 0;
HWND gFrame = nullptr;

BOOL CALLBACK FindFrame(HWND window, LPARAM) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (!IsWindowVisible(window) || std::wcscmp(name, L"#32770") != 0) return TRUE;
    gFrame = window;
    return FALSE;
}

void CALLBACK WatchFrame(HWND, UINT, UINT_PTR, DWORD) {
    if (!gFrame) {
        EnumThreadWindows(GetCurrentThreadId(), FindFrame, 0);
        if (gFrame) PrintRect(gFrame);
    }
    if (gFrame && GetTickCount() >= gFrameEnd) PostMessageW(gFrame, WM_COMMAND, IDCANCEL, 0);
}

// The plug-in module's page class, registered for this process only, so
// that the frame's CoCreateInstance finds it without the registry.
int ShowInPropertyFrame(IUnknown* effect, int seconds) {
    const std::wstring module = lumbrook::BesideThisProgram(L"LumbrookReverb.dll");
    HMODULE plugin = LoadLibraryExW(module.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = plugin ? reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(
                                       GetProcAddress(plugin, "DllGetClassObject")))
                                 : nullptr;
    void* pages = nullptr;
    DWORD cookie = 0;
    if (!getClassObject || FAILED(getClassObject(CLSID_ReverbEditor, IID_IUnknown, &pages)) ||
        FAILED(CoRegisterClassObject(CLSID_ReverbEditor, static_cast<IUnknown*>(pages),
                                     CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie))) {
        std::fprintf(stderr, "editor-preview: cannot serve the page class of %ls\n",
                     module.c_str());
        return 1;
    }
    gFrameEnd = GetTickCount() + DWORD(seconds) * 1000;
    SetTimer(nullptr, 0, 100, WatchFrame);
    GUID page = CLSID_ReverbEditor;
    const HRESULT shown = OleCreatePropertyFrame(nullptr, 40, 40, L"Lumbrook Reverb", 1, &effect, 1,
                                                 &page, LOCALE_USER_DEFAULT, 0, nullptr);
    CoRevokeClassObject(cookie);
    static_cast<IUnknown*>(pages)->Release();
    return SUCCEEDED(shown) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumbrook;
    const bool inFrame = argc > 1 && std::strcmp(argv[1], "--frame") == 0;
    if (inFrame) {
        --argc;
        ++argv;
    }
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    ReverbEffect* effect = ReverbEffect::Create();
    if (!effect) return 1;
    IInPlaceEffect* inPlace = effect;
    inPlace->AddRef();
    effect->LoadPreset(9);
    effect->put_EnableEq(1);
    effect->put_LoEq(0.625f);
    effect->put_HiEq(0.375f);
    effect->put_ExtendTail(1);
    if (inFrame) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const int result = ShowInPropertyFrame(inPlace, seconds);
        inPlace->Release();
        CoUninitialize();
        return result;
    }
    ReverbEditor* editor = ReverbEditor::Create();
    if (!editor) return 1;
    IPropPage* page = editor;
    page->AddRef();

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
    PrintRect(host);

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
