// The standard property page over a framework page: the system's property
// frame drives IPropertyPage, the page gets the matching IPropPage calls and
// reports its changes to our own page site, which the frame hears as status
// changes. Everything runs on the thread that owns the page's window.
#include "property_page.h"

#include <ocidl.h>

#include <cstring>
#include <cwchar>
#include <new>

namespace cwdxpx1 {

namespace {

INT_PTR CALLBACK LayoutOnly(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Dialog units scale with the template's font, so only laying the template
// out tells its size in pixels: a hidden copy under a hidden parent (a child
// template needs one), measured and destroyed.
bool TemplateSize(HINSTANCE instance, int32_t dialogId, SIZE* size) {
    HWND parent = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  nullptr, nullptr);
    if (!parent) return false;
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(dialogId), parent, LayoutOnly, 0);
    RECT rect = {};
    const bool measured = dialog && GetWindowRect(dialog, &rect);
    DestroyWindow(parent);
    size->cx = rect.right - rect.left;
    size->cy = rect.bottom - rect.top;
    return measured;
}

class PropertyPage final : public IPropertyPage, private IPropPageSite {
public:
    // Takes over the caller's reference on the page.
    PropertyPage(IPropPageFactory* factory, IPropPage* page) : factory_(factory), page_(page) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPropertyPage))
            return E_NOINTERFACE;
        *out = static_cast<IPropertyPage*>(this);
        AddRef();
        return S_OK;
    }

    // Plain counts: the page and its window live on one thread.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount_; }

    ULONG STDMETHODCALLTYPE Release() override {
        if (--refCount_ != 0) return refCount_;
        delete this;
        return 0;
    }

    // The page reports to our own site, which keeps the dirty state and
    // passes it on as the frame's status; the frame's site is held for as
    // long as it may be called.
    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override {
        if (site) site->AddRef();
        if (site_) site_->Release();
        site_ = site;
        page_->SetPageSite(site ? static_cast<IPropPageSite*>(this) : nullptr);
        return S_OK;
    }

    // The rectangle is in the parent's client coordinates.
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL) override {
        if (!rect) return E_POINTER;
        if (window_) return E_UNEXPECTED;
        window_ = page_->CreatePageWindow(parent);
        if (!window_) return E_FAIL;
        // The frame's dialog manager takes the Tab key into a child dialog
        // only when it is marked as a holder of controls.
        SetWindowLongW(window_, GWL_EXSTYLE,
                       GetWindowLongW(window_, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        MoveTo(*rect);
        // The page shows the bound object's values and reports that as a
        // change; no user changed anything, and a dirty page would write its
        // controls' rounded values back over the object's exact ones.
        activating_ = true;
        page_->Activate();
        activating_ = false;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Deactivate() override {
        if (!window_) return E_UNEXPECTED;
        Close();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
        if (!info) return E_POINTER;
        SIZE size;
        if (!TemplateSize(factory_->GetResourceInstance(), factory_->GetDialogId(), &size))
            return E_FAIL;
        const WCHAR* title = factory_->GetTitle();
        if (!title) title = L"";
        const size_t bytes = (std::wcslen(title) + 1) * sizeof(WCHAR);
        WCHAR* copy = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
        if (!copy) return E_OUTOFMEMORY;
        std::memcpy(copy, title, bytes);
        info->cb = sizeof *info;
        info->pszTitle = copy;
        info->size = size;
        info->pszDocString = nullptr;
        info->pszHelpFile = nullptr;
        info->dwHelpContext = 0;
        return S_OK;
    }

    // The page finds its interface on the objects itself; clients hand over
    // the effect or the objects built around it, in an order of their own.
    // Nothing that fits leaves the page bound to nothing.
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
        if (count && !objects) return E_POINTER;
        bool offered = false;
        for (ULONG i = 0; i < count; ++i) {
            if (!objects[i]) continue;
            offered = true;
            if (page_->SetObject(objects[i])) {
                bound_ = true;
                return S_OK;
            }
        }
        page_->ClearObject();
        bound_ = false;
        if (count == 0) return S_OK;
        return offered ? E_NOINTERFACE : E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE Show(UINT command) override {
        if (!window_) return E_UNEXPECTED;
        ShowWindow(window_, int(command));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override {
        if (!rect) return E_POINTER;
        if (!window_) return E_UNEXPECTED;
        MoveTo(*rect);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }

    // A clean page writes nothing: the page's Apply writes every control,
    // rounded to its scroll bar's steps.
    HRESULT STDMETHODCALLTYPE Apply() override {
        if (!dirty_) return S_OK;
        if (!page_->Apply()) return E_FAIL;
        dirty_ = false;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message) override {
        if (!message) return E_POINTER;
        return window_ && IsDialogMessageW(window_, message) ? S_OK : S_FALSE;
    }

private:
    // A frame may release the page without closing it first.
    ~PropertyPage() {
        if (window_) Close();
        if (bound_) page_->ClearObject();
        if (site_) {
            page_->SetPageSite(nullptr);
            site_->Release();
        }
        page_->Release();
    }

    int32_t STDMETHODCALLTYPE OnChange() override {
        if (activating_) return 1;
        dirty_ = true;
        if (site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE);
        return 1;
    }

    void MoveTo(const RECT& rect) {
        MoveWindow(window_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   TRUE);
    }

    void Close() {
        page_->Deactivate();
        page_->DestroyPageWindow();
        window_ = nullptr;
    }

    ULONG refCount_ = 0;
    IPropPageFactory* factory_;
    IPropPage* page_;                    // one reference
    IPropertyPageSite* site_ = nullptr;  // the frame's; one reference
    HWND window_ = nullptr;              // the page's window while active
    bool bound_ = false;
    bool dirty_ = false;
    bool activating_ = false;
};

}  // namespace

HRESULT CreatePropertyPage(IPropPageFactory* factory, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    IPropPage* page = factory->CreatePage();
    if (!page) return E_OUTOFMEMORY;
    page->AddRef();
    PropertyPage* adapter = new (std::nothrow) PropertyPage(factory, page);
    if (!adapter) {
        page->Release();
        return E_OUTOFMEMORY;
    }
    adapter->AddRef();
    const HRESULT hr = adapter->QueryInterface(iid, out);
    adapter->Release();
    return hr;
}

}  // namespace cwdxpx1
