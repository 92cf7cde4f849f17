// The effect's factory presets: listed from the constant table and applied
// through the same block setter as a host's restore.
#include <cwchar>

#include "factory_presets.h"
#include "reverb_effect.h"

namespace lumbrook {

HRESULT STDMETHODCALLTYPE ReverbEffect::GetPresetCount(int32_t* count) {
    if (!count) return E_POINTER;
    *count = kPresetCount;
    return S_OK;
}

// Writes at most bufferSize wide characters, the terminator included: a name
// too long for the buffer is cut and still terminated.
HRESULT STDMETHODCALLTYPE ReverbEffect::GetPresetName(int32_t index, WCHAR* buffer,
                                                      int32_t bufferSize) {
    if (index < 0 || index >= kPresetCount) return E_INVALIDARG;
    if (bufferSize <= 0) return S_OK;
    if (!buffer) return E_POINTER;
    WCHAR name[sizeof kFactoryPresets[0].name];
    const int length = MultiByteToWideChar(CP_ACP, 0, kFactoryPresets[index].name, -1, name,
                                           int(sizeof name / sizeof name[0]));
    if (length <= 0) name[0] = 0;
    int32_t copy = 0;
    while (copy < bufferSize - 1 && name[copy]) {
        buffer[copy] = name[copy];
        ++copy;
    }
    buffer[copy] = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ReverbEffect::LoadPreset(int32_t index) {
    if (index < 0 || index >= kPresetCount) return E_INVALIDARG;
    return static_cast<IInPlaceEffect*>(this)->SetParams(&kFactoryPresets[index].params,
                                                         kParamsSize);
}

}  // namespace lumbrook
