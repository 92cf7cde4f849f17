#include "effect_filter.h"

#include <dmo.h>
#include <dmoreg.h>
#include <uuids.h>

#include "wav_file.h"

namespace lumbrook {

namespace {

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// The class DMOEnum lists under the name, if any.
bool FindInDmoEnum(const std::wstring& name, CLSID* clsid) {
    ComRef<IEnumDMO> list;
    if (FAILED(DMOEnum(DMOCATEGORY_AUDIO_EFFECT, DMO_ENUMF_INCLUDE_KEYED, 0, nullptr, 0, nullptr,
                       list.Out())) ||
        !list)
        return false;
    CLSID candidate;
    WCHAR* candidateName = nullptr;
    bool found = false;
    while (!found && list->Next(1, &candidate, &candidateName, nullptr) == S_OK) {
        if (candidateName && name == candidateName) {
            *clsid = candidate;
            found = true;
        }
        CoTaskMemFree(candidateName);
        candidateName = nullptr;
    }
    return found;
}

// The first device moniker in the category whose FriendlyName is `name`.
ComRef<IMoniker> FindInDeviceCategory(const GUID& category, const std::wstring& name) {
    ComRef<ICreateDevEnum> devices;
    ComRef<IEnumMoniker> list;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum, devices.OutVoid())) ||
        devices->CreateClassEnumerator(category, list.Out(), 0) != S_OK || !list)
        return {};  // S_FALSE: the category is empty
    for (;;) {
        ComRef<IMoniker> moniker;
        if (list->Next(1, moniker.Out(), nullptr) != S_OK) return {};
        ComRef<IPropertyBag> properties;
        if (FAILED(
                moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, properties.OutVoid())))
            continue;
        VARIANT friendly;
        VariantInit(&friendly);
        const bool match = SUCCEEDED(properties->Read(L"FriendlyName", &friendly, nullptr)) &&
                           friendly.vt == VT_BSTR && name == friendly.bstrVal;
        VariantClear(&friendly);
        if (match) return moniker;
    }
}

// Whether a DMO's device moniker is the one for `clsid`: its display name
// is "@device:dmo:" followed by the class and the category.
bool MonikerNamesClass(IMoniker* moniker, const CLSID& clsid) {
    LPOLESTR display = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &display)) || !display) return false;
    std::wstring text = display;
    CoTaskMemFree(display);
    std::wstring wanted = GuidText(clsid);
    CharUpperW(&text[0]);
    CharUpperW(&wanted[0]);
    return text.find(wanted) != std::wstring::npos;
}

// A listed class that cannot be made is what a half-finished unregistration
// leaves: the list entry without the class it names.
ComRef<IBaseFilter> Bind(IMoniker* moniker, const std::string& list, const std::string& quoted,
                         std::string* error) {
    ComRef<IBaseFilter> filter;
    const HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.OutVoid());
    if (FAILED(hr))
        *error = list + " lists " + quoted + ", but it gives no filter (" + HexCode(hr) + ")";
    return filter;
}

}  // namespace

ComRef<IBaseFilter> FindEffectFilter(FilterSource source, const std::wstring& name,
                                     std::string* error) {
    const std::string quoted = "'" + Narrow(name) + "'";
    if (source == FilterSource::LegacyFilter) {
        ComRef<IMoniker> moniker = FindInDeviceCategory(CLSID_LegacyAmFilterCategory, name);
        if (!moniker) {
            *error = "no DirectShow filter named " + quoted +
                     " in the legacy filter category (regsvr32 LumbrookReverb.dll registers it)";
            return {};
        }
        return Bind(moniker.Get(), "the legacy filter category", quoted, error);
    }
    // Both lists come from the one registration; a media object in one only
    // is half registered, which an application would show as a broken entry.
    CLSID clsid;
    const bool listed = FindInDmoEnum(name, &clsid);
    ComRef<IMoniker> moniker = FindInDeviceCategory(DMOCATEGORY_AUDIO_EFFECT, name);
    if (!listed && !moniker) {
        *error =
            "neither DMOEnum nor the System Device Enumerator lists an audio-effect DMO named " +
            quoted + " (regsvr32 LumbrookReverb.dll registers it)";
        return {};
    }
    if (!moniker) {
        *error = "DMOEnum lists the audio-effect DMO " + quoted +
                 ", but the System Device Enumerator does not";
        return {};
    }
    if (!listed) {
        *error = "the System Device Enumerator lists the audio-effect DMO " + quoted +
                 ", but DMOEnum does not";
        return {};
    }
    if (!MonikerNamesClass(moniker.Get(), clsid)) {
        *error = "the System Device Enumerator's audio-effect DMO " + quoted +
                 " is not the class DMOEnum lists, " + Narrow(GuidText(clsid));
        return {};
    }
    return Bind(moniker.Get(), "the System Device Enumerator", quoted, error);
}

}  // namespace lumbrook
