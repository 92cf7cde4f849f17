// The shared objects driven through their descriptors the way a careless or
// hostile host might: rates the lines were not built for, a run before
// activate and after deactivate, and instances on threads of their own.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <ladspa.h>
#include <lv2/core/lv2.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "plugin_ports.h"
#include "test_signals.h"

namespace lumbrook {
namespace {

const std::string kLv2Library = std::string(LUMBROOK_LV2_BUNDLE) + "/lumbrook_reverb.so";

template <typename Entry>
Entry Load(const std::string& library, const char* symbol) {
    void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(module, nullptr) << dlerror();
    return module ? reinterpret_cast<Entry>(dlsym(module, symbol)) : nullptr;
}

const LV2_Descriptor* Lv2(uint32_t index) {
    static const auto entry = Load<LV2_Descriptor_Function>(kLv2Library, "lv2_descriptor");
    return entry ? entry(index) : nullptr;
}

const LADSPA_Descriptor* Ladspa(unsigned long index) {
    static const auto entry =
        Load<LADSPA_Descriptor_Function>(LUMBROOK_LADSPA_LIBRARY, "ladspa_descriptor");
    return entry ? entry(index) : nullptr;
}

TEST(EntryPoints, RefuseRatesTheLinesWereNotBuiltFor) {
    for (uint32_t index : {0u, 1u}) {
        SCOPED_TRACE(index);
        const LV2_Descriptor* lv2 = Lv2(index);
        const LADSPA_Descriptor* ladspa = Ladspa(index);
        ASSERT_NE(lv2, nullptr);
        ASSERT_NE(ladspa, nullptr);
        for (double rate : {768001.0, 1e6, 4294967295.0}) {
            EXPECT_EQ(lv2->instantiate(lv2, rate, kLv2Library.c_str(), nullptr), nullptr) << rate;
            EXPECT_EQ(ladspa->instantiate(ladspa, (unsigned long)rate), nullptr) << rate;
        }
        LV2_Handle atTheLimit = lv2->instantiate(lv2, 768000.0, kLv2Library.c_str(), nullptr);
        EXPECT_NE(atTheLimit, nullptr);
        if (atTheLimit) lv2->cleanup(atTheLimit);
        LADSPA_Handle ladspaAtTheLimit = ladspa->instantiate(ladspa, 768000);
        EXPECT_NE(ladspaAtTheLimit, nullptr);
        if (ladspaAtTheLimit) ladspa->cleanup(ladspaAtTheLimit);
    }
}

// An LV2 stereo instance with its ports on buffers of its own, the controls
// at their defaults ("enabled" on).
class Lv2Instance {
public:
    explicit Lv2Instance(uint32_t rate) : descriptor_(Lv2(0)) {
        handle_ = descriptor_->instantiate(descriptor_, rate, kLv2Library.c_str(), nullptr);
        EXPECT_NE(handle_, nullptr);
        for (int i = 0; i < kControlCount; ++i) {
            const ParamInfo& param = Param(kPortOrder[i]);
            controls_[i] =
                param.id == ParamId::Bypass ? 1.0f : PortFromValue(param, param.defaultValue);
            descriptor_->connect_port(handle_, FirstControlPort(2) + uint32_t(i), &controls_[i]);
        }
    }
    ~Lv2Instance() {
        if (handle_) descriptor_->cleanup(handle_);
    }
    void Activate() { descriptor_->activate(handle_); }
    void Deactivate() { descriptor_->deactivate(handle_); }

    // Planar stereo through the instance in runs of `frames`.
    std::vector<float> Run(const std::vector<float>& input, uint32_t frames) {
        const size_t length = input.size() / 2;
        std::vector<float> in[2], out[2];
        for (int ch = 0; ch < 2; ++ch) {
            in[ch].resize(length);
            out[ch].assign(length, -7.0f);
            for (size_t j = 0; j < length; ++j) in[ch][j] = input[2 * j + size_t(ch)];
        }
        for (size_t done = 0; done < length; done += frames) {
            const uint32_t n = uint32_t(std::min<size_t>(frames, length - done));
            for (uint32_t ch = 0; ch < 2; ++ch) {
                descriptor_->connect_port(handle_, ch, in[ch].data() + done);
                descriptor_->connect_port(handle_, 2 + ch, out[ch].data() + done);
            }
            descriptor_->run(handle_, n);
        }
        std::vector<float> result(input.size());
        for (size_t j = 0; j < length; ++j)
            for (int ch = 0; ch < 2; ++ch) result[2 * j + size_t(ch)] = out[ch][j];
        return result;
    }

private:
    const LV2_Descriptor* descriptor_;
    LV2_Handle handle_ = nullptr;
    float controls_[kControlCount];
};

void ExpectSameBits(const std::vector<float>& got, const std::vector<float>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(test::Bits(got[i]), test::Bits(want[i])) << "sample " << i;
}

// Hosts that run before activating, or after deactivating, get sound that
// stays finite, and the next activation starts the stream afresh.
TEST(EntryPoints, RunBeforeActivateAndAfterDeactivateStaySound) {
    const std::vector<float> input = test::NoiseBuffer(2 * 6000, 81);
    Lv2Instance fresh(48000);
    fresh.Activate();
    const std::vector<float> stream = fresh.Run(input, 512);

    Lv2Instance careless(48000);
    for (float sample : careless.Run(input, 333)) ASSERT_TRUE(std::isfinite(sample));
    careless.Activate();
    ExpectSameBits(careless.Run(input, 512), stream);
    careless.Deactivate();
    for (float sample : careless.Run(input, 100)) ASSERT_TRUE(std::isfinite(sample));
    careless.Activate();
    ExpectSameBits(careless.Run(input, 512), stream);

    const LADSPA_Descriptor* ladspa = Ladspa(1);
    ASSERT_NE(ladspa, nullptr);
    LADSPA_Handle mono = ladspa->instantiate(ladspa, 48000);
    ASSERT_NE(mono, nullptr);
    std::vector<float> buffer = test::NoiseBuffer(4000, 82);
    LADSPA_Data controls[kControlCount];
    for (int i = 0; i < kControlCount; ++i) {
        const ParamInfo& param = Param(kPortOrder[i]);
        controls[i] = param.id == ParamId::Bypass ? 0.0f : PortFromValue(param, param.defaultValue);
        ladspa->connect_port(mono, FirstControlPort(1) + unsigned(i), &controls[i]);
    }
    ladspa->connect_port(mono, 0, buffer.data());
    ladspa->connect_port(mono, 1, buffer.data());
    ladspa->run(mono, buffer.size());
    for (float sample : buffer) ASSERT_TRUE(std::isfinite(sample));
    ladspa->cleanup(mono);
}

// Instances share nothing: two on two threads at once give the bits of one
// alone, whatever their run lengths.
TEST(EntryPoints, TwoInstancesOnTwoThreadsGiveTheBitsOfOne) {
    const std::vector<float> input = test::NoiseBuffer(2 * 48000, 83);
    Lv2Instance alone(96000);
    alone.Activate();
    const std::vector<float> want = alone.Run(input, 256);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::vector<float> got[2];
        std::vector<std::thread> threads;
        for (int i = 0; i < 2; ++i)
            threads.emplace_back([&, i] {
                Lv2Instance instance(96000);
                instance.Activate();
                got[i] = instance.Run(input, i == 0 ? 64 : 1000);
            });
        for (std::thread& thread : threads) thread.join();
        ExpectSameBits(got[0], want);
        ExpectSameBits(got[1], want);
    }
}

}  // namespace
}  // namespace lumbrook
