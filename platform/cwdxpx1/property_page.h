// The standard property page (IPropertyPage) that the framework serves for a
// recorded page factory, over the page's own IPropPage, so that the system's
// property frame (OleCreatePropertyFrame) can show it.
#pragma once

#include "framework_interfaces.h"

namespace cwdxpx1 {

// A new page from the factory, wrapped; *out holds the requested interface
// (IUnknown or IPropertyPage). E_OUTOFMEMORY when the factory makes nothing.
HRESULT CreatePropertyPage(IPropPageFactory* factory, REFIID iid, void** out);

}  // namespace cwdxpx1
