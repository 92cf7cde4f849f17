// An effect as a DirectX Media Object (IMediaObject, IMediaObjectInPlace), so
// that the system's DMO Wrapper Filter and other DMO clients can run it.
#pragma once

#include "framework_interfaces.h"

namespace cwdxpx1 {

// A new media object around a new effect from the factory. With an outer
// object the caller must ask for IUnknown and gets the inner, non-delegating
// one (the media object is then part of the outer object's identity).
HRESULT CreateMediaObject(IInPlaceFactory* factory, IUnknown* outer, REFIID iid, void** out);

}  // namespace cwdxpx1
