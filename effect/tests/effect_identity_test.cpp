// ReverbEffect's interfaces, identity, reference counting and page list.
#include <gtest/gtest.h>

#include "com_test_support.h"

namespace lumbrook {
namespace {

using namespace test;

TEST(EffectIdentity, EveryInterfaceAnswersTheSameTable) {
    IInPlaceEffect* effect = NewEffect();
    ASSERT_NE(effect, nullptr);
    const GUID* toInPlace[] = {&IID_IUnknown, &IID_IInPlaceEffect, &IID_IInPlaceEffectAlias,
                               &IID_ISpecifyPropertyPages};
    const GUID* toControl[] = {&IID_IDispatch, &IID_IReverbControl};
    void* control = nullptr;
    void* notify = nullptr;
    void* presets = nullptr;
    EXPECT_HR(S_OK, effect->QueryInterface(IID_IReverbControl, &control));
    EXPECT_HR(S_OK, effect->QueryInterface(IID_IEditorNotify, &notify));
    EXPECT_HR(S_OK, effect->QueryInterface(IID_IEffectPresets, &presets));
    IUnknown* faces[] = {effect, static_cast<IUnknown*>(control), static_cast<IUnknown*>(notify),
                         static_cast<IUnknown*>(presets)};
    for (IUnknown* face : faces) {
        for (const GUID* iid : toInPlace) {
            void* out = nullptr;
            EXPECT_HR(S_OK, face->QueryInterface(*iid, &out));
            EXPECT_EQ(out, static_cast<void*>(effect));
            static_cast<IUnknown*>(out)->Release();
        }
        for (const GUID* iid : toControl) {
            void* out = nullptr;
            EXPECT_HR(S_OK, face->QueryInterface(*iid, &out));
            EXPECT_EQ(out, control);
            static_cast<IUnknown*>(out)->Release();
        }
    }
    // Four distinct tables on one object.
    EXPECT_NE(control, static_cast<void*>(effect));
    EXPECT_NE(notify, static_cast<void*>(effect));
    EXPECT_NE(presets, static_cast<void*>(effect));
    EXPECT_EQ(static_cast<IUnknown*>(presets)->Release(), 3u);
    EXPECT_EQ(static_cast<IUnknown*>(notify)->Release(), 2u);
    EXPECT_EQ(static_cast<IUnknown*>(control)->Release(), 1u);
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectIdentity, RefusedInterfacesTakeNoReference) {
    IInPlaceEffect* effect = NewEffect();
    const GUID* refused[] = {&IID_IClassFactory, &IID_IPropPage, &IID_IPersist, &CLSID_ReverbEffect,
                             &IID_NULL};
    for (const GUID* iid : refused) {
        void* out = reinterpret_cast<void*>(0x1234);
        EXPECT_HR(E_NOINTERFACE, effect->QueryInterface(*iid, &out));
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_HR(E_POINTER, effect->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(effect->AddRef(), 2u);
    EXPECT_EQ(effect->Release(), 1u);
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectIdentity, NewObjectStartsAtZero) {
    ReverbEffect* raw = ReverbEffect::Create();
    ASSERT_NE(raw, nullptr);
    IInPlaceEffect* effect = raw;
    EXPECT_EQ(effect->AddRef(), 1u);
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectIdentity, PageListNamesTheEditor) {
    IInPlaceEffect* effect = NewEffect();
    CAUUID pages{};
    EXPECT_HR(S_OK, effect->GetPages(&pages));
    ASSERT_EQ(pages.cElems, 1u);
    ASSERT_NE(pages.pElems, nullptr);
    EXPECT_TRUE(IsEqualGUID(pages.pElems[0], CLSID_ReverbEditor));
    CoTaskMemFree(pages.pElems);
    EXPECT_HR(E_POINTER, effect->GetPages(nullptr));
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectIdentity, SlotsAsABinaryCallerSeesThem) {
    IInPlaceEffect* effect = NewEffect();
    using IntFn = int32_t(STDMETHODCALLTYPE*)(void*);
    using SyncBFn = int32_t(STDMETHODCALLTYPE*)(void*, int32_t, int32_t, int32_t);
    using BlockFn = int32_t(STDMETHODCALLTYPE*)(void*, void*, int32_t);
    using FormatFn = int32_t(STDMETHODCALLTYPE*)(void*, const WAVEFORMATEX*);
    using TailFn = int32_t(STDMETHODCALLTYPE*)(void*, float*, int32_t, int32_t*);
    using ProcessFn = int32_t(STDMETHODCALLTYPE*)(void*, float*, int32_t);
    EXPECT_EQ(Slot<IntFn>(effect, 4)(effect), 1);
    EXPECT_EQ(Slot<SyncBFn>(effect, 5)(effect, 7, -1, 99), 1);
    EXPECT_EQ(Slot<IntFn>(effect, 6)(effect), 44);
    unsigned char block[44];
    EXPECT_EQ(Slot<BlockFn>(effect, 7)(effect, block, 44), 1);
    float preDelay;
    std::memcpy(&preDelay, block, 4);
    EXPECT_EQ(preDelay, 0.0f);
    const float half = 0.5f;
    std::memcpy(block + 4, &half, 4);  // roomSize
    EXPECT_EQ(Slot<BlockFn>(effect, 8)(effect, block, 44), 1);
    EXPECT_FLOAT_EQ(AsEffect(effect)->Coefficients().feedback, 0.84f);
    const WAVEFORMATEX eightBit = Format(1, 2, 44100, 8);
    const WAVEFORMATEX mono = Format(3, 1, 44100, 32);
    EXPECT_EQ(Slot<FormatFn>(effect, 9)(effect, &eightBit), 0);
    EXPECT_EQ(Slot<FormatFn>(effect, 9)(effect, &mono), 1);
    EXPECT_EQ(Slot<FormatFn>(effect, 10)(effect, &mono), 1);
    EXPECT_EQ(Slot<IntFn>(effect, 11)(effect), 1);
    EXPECT_EQ(AsEffect(effect)->Coefficients().sampleRate, 44100u);
    float buffer[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    int32_t done = -1;
    EXPECT_EQ(Slot<TailFn>(effect, 12)(effect, buffer, 4, &done), 0);  // tail is off
    EXPECT_EQ(Slot<IntFn>(effect, 13)(effect), 1);
    EXPECT_EQ(Slot<ProcessFn>(effect, 14)(effect, buffer, 4), 1);
    EXPECT_EQ(buffer[0], 0.8f);  // dry 0.8
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectIdentity, NotificationsAreAcknowledgedAndKeepNothing) {
    IInPlaceEffect* effect = NewEffect();
    IEditorNotify* notify = Query<IEditorNotify>(effect, IID_IEditorNotify);
    ASSERT_NE(notify, nullptr);
    using NotifyFn = HRESULT(STDMETHODCALLTYPE*)(void*, IPropPage*);
    // A page pointer that must never be touched.
    IPropPage* page = reinterpret_cast<IPropPage*>(0x10);
    EXPECT_HR(S_OK, Slot<NotifyFn>(notify, 3)(notify, page));
    EXPECT_HR(S_OK, Slot<NotifyFn>(notify, 4)(notify, page));
    EXPECT_HR(S_OK, notify->AttachEditor(nullptr));
    EXPECT_EQ(notify->Release(), 1u);
    EXPECT_EQ(effect->Release(), 0u);
}

}  // namespace
}  // namespace lumbrook
