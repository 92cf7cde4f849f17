// The effect's automation accessors: each makes the plug-in's module state
// current, holds the lock, stores or reads one parameter, and refreshes what
// it drives through the engine's single setters.
#include "module_state.h"
#include "reverb_effect.h"

namespace lumbrook {

HRESULT ReverbEffect::GetFloat(ParamId id, float* value) {
    if (!value) return E_POINTER;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    LockGuard hold(lock_);
    *value = engine_.GetFloat(id);
    return S_OK;
}

HRESULT ReverbEffect::PutFloat(ParamId id, float value) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    LockGuard hold(lock_);
    engine_.SetFloat(id, value);
    return S_OK;
}

HRESULT ReverbEffect::GetSwitch(ParamId id, int32_t* value) {
    if (!value) return E_POINTER;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    LockGuard hold(lock_);
    *value = engine_.GetSwitch(id);
    return S_OK;
}

HRESULT ReverbEffect::PutSwitch(ParamId id, int32_t value) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    LockGuard hold(lock_);
    engine_.SetSwitch(id, value);
    return S_OK;
}

#define LUMBROOK_FLOAT_PROPERTY(Name)                                  \
    HRESULT STDMETHODCALLTYPE ReverbEffect::get_##Name(float* value) { \
        return GetFloat(ParamId::Name, value);                         \
    }                                                                  \
    HRESULT STDMETHODCALLTYPE ReverbEffect::put_##Name(float value) {  \
        return PutFloat(ParamId::Name, value);                         \
    }

#define LUMBROOK_SWITCH_PROPERTY(Name)                                   \
    HRESULT STDMETHODCALLTYPE ReverbEffect::get_##Name(int32_t* value) { \
        return GetSwitch(ParamId::Name, value);                          \
    }                                                                    \
    HRESULT STDMETHODCALLTYPE ReverbEffect::put_##Name(int32_t value) {  \
        return PutSwitch(ParamId::Name, value);                          \
    }

LUMBROOK_FLOAT_PROPERTY(RoomSize)
LUMBROOK_FLOAT_PROPERTY(Damping)
LUMBROOK_SWITCH_PROPERTY(Bypass)
LUMBROOK_FLOAT_PROPERTY(PreDelay)
LUMBROOK_FLOAT_PROPERTY(ReverbLevel)
LUMBROOK_FLOAT_PROPERTY(DryLevel)
LUMBROOK_FLOAT_PROPERTY(LoEq)
LUMBROOK_FLOAT_PROPERTY(HiEq)
LUMBROOK_SWITCH_PROPERTY(EnableEq)
LUMBROOK_FLOAT_PROPERTY(EarlyRef)
LUMBROOK_SWITCH_PROPERTY(ExtendTail)

#undef LUMBROOK_FLOAT_PROPERTY
#undef LUMBROOK_SWITCH_PROPERTY

}  // namespace lumbrook
