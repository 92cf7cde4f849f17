// The effect's automation accessors: each makes the plug-in's module state
// current, holds the lock, stores or reads one parameter, and refreshes what
// it drives through the engine's single setters.
#include "module_state.h"
#include "reverb_effect.h"

namespace lumbrook {

HRESULT ReverbEffect::GetProperty(ParamId id, float* value) {
    if (!value) return E_POINTER;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    LockGuard hold(lock_);
    *value = engine_.GetFloat(id);
    return S_OK;
}

HRESULT ReverbEffect::PutProperty(ParamId id, float value) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    LockGuard hold(lock_);
    engine_.SetFloat(id, value);
    return S_OK;
}

HRESULT ReverbEffect::GetProperty(ParamId id, int32_t* value) {
    if (!value) return E_POINTER;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    LockGuard hold(lock_);
    *value = engine_.GetSwitch(id);
    return S_OK;
}

HRESULT ReverbEffect::PutProperty(ParamId id, int32_t value) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    LockGuard hold(lock_);
    engine_.SetSwitch(id, value);
    return S_OK;
}

#define LUMBROOK_DEFINE_ACCESSORS(Name, Type)                         \
    HRESULT STDMETHODCALLTYPE ReverbEffect::get_##Name(Type* value) { \
        return GetProperty(ParamId::Name, value);                     \
    }                                                                 \
    HRESULT STDMETHODCALLTYPE ReverbEffect::put_##Name(Type value) {  \
        return PutProperty(ParamId::Name, value);                     \
    }
LUMBROOK_AUTOMATION_SLOTS(LUMBROOK_DEFINE_ACCESSORS)
#undef LUMBROOK_DEFINE_ACCESSORS

}  // namespace lumbrook
