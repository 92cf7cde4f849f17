#include "media_object.h"

namespace cwdxpx1 {

HRESULT CreateMediaObject(IInPlaceFactory*, IUnknown*, REFIID, void** out) {
    *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace cwdxpx1
