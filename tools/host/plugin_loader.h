// Obtains the plug-in's objects the way an audio application does: from its
// class objects, by CoCreateInstance when the plug-in is registered, or else
// through DllGetClassObject of the file beside this program. No link to the
// plug-in's code.
#pragma once

#include <windows.h>

#include <string>

namespace lumbrook {

class PluginLoader {
public:
    // pluginPath: the DLL to use when the classes are not registered
    // (default: LumbrookReverb.dll beside this program).
    explicit PluginLoader(std::wstring pluginPath = L"");
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // A new object of the class with the interface asked for; the caller
    // owns the reference. Error text for people on failure.
    HRESULT Create(REFCLSID clsid, REFIID iid, void** out, std::string* error);

    // DllRegisterServer / DllUnregisterServer of the plug-in file.
    HRESULT Register(bool unregister, std::string* error);

    const std::wstring& PluginPath() const { return path_; }

private:
    bool LoadModule(std::string* error);

    bool named_;  // given on the command line (declared first: set before path_ takes it)
    std::wstring path_;
    HMODULE module_ = nullptr;
};

}  // namespace lumbrook
