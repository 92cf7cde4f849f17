// Our host framework, CWDXPX1.dll: the plug-in module registers its effect
// and page factories here, and its COM exports forward here. It serves a
// standard class object for each registered class, and makes each effect a
// standard Windows audio effect too: a DirectX Media Object and a legacy
// DirectShow filter (derived_classes.h gives their class identifiers), and
// its page a standard property page.
#pragma once

#include "framework_interfaces.h"

#ifdef CWDXPX1_BUILD
#define CWDXPX1_API __declspec(dllexport)
#else
#define CWDXPX1_API __declspec(dllimport)
#endif

class CWDXPX1_API CActiveMovieManager {
public:
    // Records a factory for the life of the process, and so keeps the module
    // that holds its code loaded as long (a record may never outlive its
    // code). S_OK; S_FALSE when the same factory is added again; E_POINTER
    // for null; E_INVALIDARG when another factory already serves its class;
    // E_OUTOFMEMORY when full.
    static HRESULT AddFactory(IInPlaceFactory* factory);
    static HRESULT AddFactory(IPropPageFactory* factory);

    // A class object (IClassFactory) for a recorded class or a class derived
    // from a recorded effect; CLASS_E_CLASSNOTAVAILABLE for any other.
    static HRESULT GetClassObject(const GUID& clsid, const GUID& iid, void** out);

    // Effects and pages are counted nowhere, so the module stays loaded: S_FALSE.
    static HRESULT CanUnloadNow();

    // Writes HKCR\CLSID\{clsid} with its InprocServer32 (the module's path,
    // threading model Both for an effect, Apartment for a page) for every
    // recorded class; for each effect also its media object (listed with
    // DMORegister among the audio effects) and its filter (in the legacy
    // filter category), both under the effect's name. All or nothing:
    // SELFREG_E_CLASS after removing what was written. Unregistering removes
    // all of it again.
    static HRESULT RegisterServer(HINSTANCE module);
    static HRESULT UnregisterServer();
};
