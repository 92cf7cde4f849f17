// Finds an effect as a DirectShow filter the way a user's media application
// does, by its name in the system's lists: as an audio-effect DMO (DMOEnum and
// the System Device Enumerator) or as a legacy filter. Nothing here knows the
// plug-in's class identifiers.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <string>

#include "com_support.h"

namespace lumbrook {

enum class FilterSource {
    MediaObject,   // DMOCATEGORY_AUDIO_EFFECT, bound through its device moniker
    LegacyFilter,  // CLSID_LegacyAmFilterCategory
};

// A new filter for the effect registered under `name`; empty with a message
// for people when the system does not list it, or lists it inconsistently.
// COM must be initialised on the calling thread.
ComRef<IBaseFilter> FindEffectFilter(FilterSource source, const std::wstring& name,
                                     std::string* error);

}  // namespace lumbrook
