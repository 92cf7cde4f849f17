#include "property_page.h"

namespace cwdxpx1 {

HRESULT CreatePropertyPage(IPropPageFactory*, REFIID, void** out) {
    *out = nullptr;
    return E_NOINTERFACE;
}

}  // namespace cwdxpx1
