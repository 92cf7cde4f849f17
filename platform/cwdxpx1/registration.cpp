#include "registration.h"

#include <olectl.h>
#include <strmif.h>
#include <uuids.h>

#include "derived_classes.h"
#include "media_declarations.h"

#include <dmoreg.h>

namespace cwdxpx1 {

namespace {

// "CLSID\{...}" for the class.
void ClassKeyPath(const GUID& clsid, WCHAR (&path)[64]) {
    WCHAR text[40];
    StringFromGUID2(clsid, text, 40);
    lstrcpyW(path, L"CLSID\\");
    lstrcatW(path, text);
}

LONG SetString(HKEY key, const WCHAR* name, const WCHAR* value) {
    const DWORD bytes = DWORD(sizeof(WCHAR) * (lstrlenW(value) + 1));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

// An effect, and the media object and filter around it, lock their own state
// and may be called from any thread; a page owns a window, which belongs to
// the thread that made it, and counts its references plainly, so COM must
// keep every call on that thread.
bool WriteClass(const GUID& clsid, const WCHAR* name, const WCHAR* modulePath,
                const WCHAR* threadingModel) {
    WCHAR path[64];
    ClassKeyPath(clsid, path);
    HKEY classKey = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &classKey,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = SetString(classKey, nullptr, name ? name : L"") == ERROR_SUCCESS;
    HKEY serverKey = nullptr;
    if (ok && RegCreateKeyExW(classKey, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &serverKey, nullptr) == ERROR_SUCCESS) {
        ok = SetString(serverKey, nullptr, modulePath) == ERROR_SUCCESS &&
             SetString(serverKey, L"ThreadingModel", threadingModel) == ERROR_SUCCESS;
        RegCloseKey(serverKey);
    } else {
        ok = false;
    }
    RegCloseKey(classKey);
    return ok;
}

bool RemoveClass(const GUID& clsid) {
    WCHAR path[64];
    ClassKeyPath(clsid, path);
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, path);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool Gone(HRESULT hr) {
    return SUCCEEDED(hr) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// The types the media object offers hosts that search the registry: audio,
// float or PCM, in and out alike.
const DMO_PARTIAL_MEDIATYPE kMediaObjectTypes[] = {{MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT},
                                                   {MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
const REGPINTYPES kPinTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_IEEE_FLOAT},
                                 {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};

// COM for the filter mapper, on a thread whatever its apartment (regsvr32
// may or may not have one).
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }

private:
    HRESULT hr_;
};

IFilterMapper2* NewFilterMapper() {
    IFilterMapper2* mapper = nullptr;
    CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                     reinterpret_cast<void**>(&mapper));
    return mapper;
}

// The legacy filter: one audio pin in, one out, never picked by automatic
// graph building (merit "do not use"), found by name in its category.
bool RegisterFilterClass(IFilterMapper2* mapper, const GUID& filter, const WCHAR* name) {
    REGFILTERPINS pins[2] = {};
    for (int i = 0; i < 2; ++i) {
        pins[i].bOutput = i == 1;
        pins[i].nMediaTypes = 2;
        pins[i].lpMediaType = kPinTypes;
    }
    REGFILTER2 record = {};
    record.dwVersion = 1;
    record.dwMerit = MERIT_DO_NOT_USE;
    record.cPins = 2;
    record.rgPins = pins;
    return SUCCEEDED(mapper->RegisterFilter(filter, name, nullptr, &CLSID_LegacyAmFilterCategory,
                                            nullptr, &record));
}

// An effect as a DMO in the audio-effect category and as a legacy filter,
// each with an in-process server entry of its own in this module.
bool RegisterMediaClasses(const FactoryEntry& entry, const WCHAR* name, const WCHAR* modulePath,
                          IFilterMapper2* mapper) {
    const GUID mediaObject = MediaObjectClassOf(entry.clsid);
    const GUID filter = FilterClassOf(entry.clsid);
    WCHAR dmoName[80];
    lstrcpynW(dmoName, name, 80);  // DMORegister takes up to 80 characters
    return WriteClass(mediaObject, name, modulePath, L"Both") &&
           WriteClass(filter, name, modulePath, L"Both") &&
           SUCCEEDED(DMORegister(dmoName, mediaObject, DMOCATEGORY_AUDIO_EFFECT, 0, 2,
                                 kMediaObjectTypes, 2, kMediaObjectTypes)) &&
           mapper && RegisterFilterClass(mapper, filter, name);
}

bool UnregisterMediaClasses(const FactoryEntry& entry, IFilterMapper2* mapper) {
    const GUID mediaObject = MediaObjectClassOf(entry.clsid);
    const GUID filter = FilterClassOf(entry.clsid);
    bool ok = Gone(DMOUnregister(mediaObject, DMOCATEGORY_AUDIO_EFFECT));
    ok = mapper && Gone(mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, filter)) &&
         ok;
    ok = RemoveClass(filter) && ok;
    return RemoveClass(mediaObject) && ok;
}

HRESULT UnregisterAll(IFilterMapper2* mapper) {
    bool ok = true;
    const int count = EntryCount();
    for (int i = 0; i < count; ++i) {
        const FactoryEntry entry = EntryAt(i);
        ok = RemoveClass(entry.clsid) && ok;
        if (entry.effect) ok = UnregisterMediaClasses(entry, mapper) && ok;
    }
    return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

HRESULT RegisterEntries(HINSTANCE module) {
    WCHAR modulePath[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, modulePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
    const int count = EntryCount();
    if (count == 0) return SELFREG_E_CLASS;
    ComScope com;
    IFilterMapper2* mapper = NewFilterMapper();
    bool ok = true;
    for (int i = 0; ok && i < count; ++i) {
        const FactoryEntry entry = EntryAt(i);
        const WCHAR* name = entry.effect ? entry.effect->GetName() : entry.page->GetTitle();
        if (!name) name = L"";
        ok = WriteClass(entry.clsid, name, modulePath, entry.effect ? L"Both" : L"Apartment") &&
             (!entry.effect || RegisterMediaClasses(entry, name, modulePath, mapper));
    }
    if (!ok) UnregisterAll(mapper);  // all or nothing
    if (mapper) mapper->Release();
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterEntries() {
    ComScope com;
    IFilterMapper2* mapper = NewFilterMapper();
    const HRESULT hr = UnregisterAll(mapper);
    if (mapper) mapper->Release();
    return hr;
}

}  // namespace cwdxpx1
