// An effect stand-in for the callers of IReverbControl (the page, the
// property table): it records every property call and can refuse a read.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_test_support.h"

namespace lumbrook::test {

// An effect stand-in that records what the page does with it, every property
// call in order ("get_RoomSize", "put_LoEq"). Dispatch is none of the page's
// business; reads can be made to fail.
class ControlDouble : public IReverbControl, public IEditorNotify {
public:
    explicit ControlDouble(bool withNotify = true) : withNotify_(withNotify) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IReverbControl))
            *out = static_cast<IReverbControl*>(this);
        else if (withNotify_ && IsEqualIID(iid, IID_IEditorNotify))
            *out = static_cast<IEditorNotify*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return Unexpected();
    }

#define DOUBLE_ACCESSORS(Name, Type)                         \
    HRESULT STDMETHODCALLTYPE get_##Name(Type* v) override { \
        return Read("get_" #Name, ParamId::Name, v);         \
    }                                                        \
    HRESULT STDMETHODCALLTYPE put_##Name(Type v) override {  \
        return Write("put_" #Name, ParamId::Name, v);        \
    }
    LUMBROOK_AUTOMATION_SLOTS(DOUBLE_ACCESSORS)
#undef DOUBLE_ACCESSORS

    HRESULT STDMETHODCALLTYPE AttachEditor(IPropPage*) override {
        ++attaches;
        ++calls;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DetachEditor(IPropPage*) override {
        ++detaches;
        ++calls;
        return S_OK;
    }

    float values[kParamCount] = {};
    int32_t switches[kParamCount] = {};
    int writes[kParamCount] = {};
    int calls = 0;                 // every property call and notification
    std::vector<std::string> log;  // the property calls, in order
    int attaches = 0, detaches = 0;
    ULONG refs = 1;                     // the test's own reference
    ParamId failRead = ParamId::Count;  // this getter fails

private:
    HRESULT Unexpected() {
        ADD_FAILURE() << "the page used IDispatch";
        return E_NOTIMPL;
    }
    HRESULT Read(const char* name, ParamId id, float* v) {
        ++calls;
        log.push_back(name);
        if (id == failRead) return E_FAIL;
        *v = values[int(id)];
        return S_OK;
    }
    HRESULT Read(const char* name, ParamId id, int32_t* v) {
        ++calls;
        log.push_back(name);
        if (id == failRead) return E_FAIL;
        *v = switches[int(id)];
        return S_OK;
    }
    HRESULT Write(const char* name, ParamId id, float v) {
        ++calls;
        log.push_back(name);
        ++writes[int(id)];
        values[int(id)] = v;
        return S_OK;
    }
    HRESULT Write(const char* name, ParamId id, int32_t v) {
        ++calls;
        log.push_back(name);
        ++writes[int(id)];
        switches[int(id)] = v;
        return S_OK;
    }
    bool withNotify_;
};

}  // namespace lumbrook::test
