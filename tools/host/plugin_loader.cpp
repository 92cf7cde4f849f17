#include "plugin_loader.h"

#include <cstdio>

#include "program_folder.h"
#include "wav_file.h"

namespace lumbrook {

namespace {

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

PluginLoader::PluginLoader(std::wstring pluginPath)
    : named_(!pluginPath.empty()),
      path_(named_ ? std::move(pluginPath) : BesideThisProgram(L"LumbrookReverb.dll")) {}

// The module stays loaded: objects made from it may outlive the loader.
PluginLoader::~PluginLoader() = default;

bool PluginLoader::LoadModule(std::string* error) {
    if (module_) return true;
    if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        *error = "cannot find the plug-in '" + Narrow(path_) + "'";
        return false;
    }
    module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module_) {
        *error = "cannot load the plug-in '" + Narrow(path_) +
                 "' (it needs CWDXPX1.dll beside it; error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

HRESULT PluginLoader::Create(REFCLSID clsid, REFIID iid, void** out, std::string* error) {
    *out = nullptr;
    // A plug-in named on the command line must exist, registered or not.
    if (named_ && GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        *error = "cannot find the plug-in '" + Narrow(path_) + "'";
        return E_FAIL;
    }
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
    if (SUCCEEDED(hr)) return hr;
    if (!LoadModule(error)) return E_FAIL;
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    if (!getClassObject) {
        *error = "'" + Narrow(path_) + "' is not a COM server";
        return E_FAIL;
    }
    IClassFactory* factory = nullptr;
    hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr)) {
        hr = factory->CreateInstance(nullptr, iid, out);
        factory->Release();
    }
    if (FAILED(hr)) *error = "the plug-in made no object (" + Hex(hr) + ")";
    return hr;
}

HRESULT PluginLoader::Register(bool unregister, std::string* error) {
    if (!LoadModule(error)) return E_FAIL;
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(
        GetProcAddress(module_, unregister ? "DllUnregisterServer" : "DllRegisterServer")));
    if (!entry) {
        *error = "'" + Narrow(path_) + "' cannot register itself";
        return E_FAIL;
    }
    const HRESULT hr = entry();
    if (FAILED(hr))
        *error = std::string(unregister ? "unregistering" : "registering") +
                 " the plug-in failed (" + Hex(hr) +
                 "; registering for all users needs an elevated prompt)";
    return hr;
}

}  // namespace lumbrook
