// Reading and writing one parameter through a bound effect's IReverbControl,
// chosen by ParamId: the way every client of the automation interface (the
// editor, the command-line host) reaches a property without a table of its own.
#pragma once

#include "interfaces.h"
#include "reverb_params.h"

namespace lumbrook {

// E_INVALIDARG when the parameter is of the other kind.
HRESULT PutFloatProperty(IReverbControl* control, ParamId id, float value);
HRESULT GetFloatProperty(IReverbControl* control, ParamId id, float* value);
HRESULT PutSwitchProperty(IReverbControl* control, ParamId id, int32_t value);
HRESULT GetSwitchProperty(IReverbControl* control, ParamId id, int32_t* value);

}  // namespace lumbrook
