// What our host framework can tell its tests: the factories recorded, in
// the order AddFactory received them, and how often AddFactory was called.
#pragma once

#include "active_movie_manager.h"

extern "C" {
// Every AddFactory call, accepted or not.
CWDXPX1_API int Cwdxpx1AddFactoryCalls();
// The index'th recorded factory: exactly one of the two is set. False past the end.
CWDXPX1_API bool Cwdxpx1RecordedFactory(int index, IInPlaceFactory** effect,
                                        IPropPageFactory** page);
}
