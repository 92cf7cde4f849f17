// The effect as a hostile host drives it: NaN and infinite samples, values
// far outside 0..1 through automation, a format with three channels. The
// engine's rules reach the host unchanged through the effect.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "com_test_support.h"

namespace lumbrook {
namespace {

using namespace test;

TEST(EffectHostile, NonFiniteSamplesAndWildSettingsLeaveTheOutputFinite) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_HR(S_OK, control->put_RoomSize(1e38f));
    EXPECT_HR(S_OK, control->put_Damping(-inf));
    EXPECT_HR(S_OK, control->put_DryLevel(nan));
    EXPECT_HR(S_OK, control->put_EnableEq(1));
    float room = 0.0f;
    EXPECT_HR(S_OK, control->get_RoomSize(&room));
    EXPECT_EQ(room, 1e38f);  // kept as given
    const EngineCoefficients c = AsEffect(effect)->Coefficients();
    EXPECT_EQ(c.feedback, float(double(1.0f) * double(0.28f) + double(0.7f)));
    EXPECT_EQ(c.damp1, 0.0f);
    EXPECT_EQ(c.damp2, 1.0f);
    EXPECT_EQ(c.dryGain, 0.0f);

    StartStream(effect, 2, 400);  // below 500 Hz the low shelf takes a lower corner
    std::vector<float> buffer = NoiseBuffer(2 * 4000, 21);
    for (size_t i = 0; i < buffer.size(); i += 97) buffer[i] = (i & 1) ? nan : -inf;
    EXPECT_EQ(effect->ProcessInPlace(buffer.data(), 4000), 1);
    for (size_t i = 0; i < buffer.size(); ++i)
        ASSERT_TRUE(std::isfinite(buffer[i])) << "sample " << i;
    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

TEST(EffectHostile, TailWithThreeChannelsSpendsItsBudgetWithoutWriting) {
    IInPlaceEffect* effect = NewEffect();
    IReverbControl* control = Query<IReverbControl>(effect, IID_IReverbControl);
    EXPECT_HR(S_OK, control->put_ExtendTail(1));
    StartStream(effect, 3, 100);  // a budget of 1000 frames
    std::vector<float> buffer(3 * 400, 0.5f);
    int32_t done = 0;
    EXPECT_EQ(effect->ProcessTail(buffer.data(), 400, &done), 1);
    EXPECT_EQ(done, 400);
    EXPECT_EQ(effect->ProcessTail(buffer.data(), 400, &done), 1);
    done = -1;
    EXPECT_EQ(effect->ProcessTail(buffer.data(), 400, &done), 0);  // frame 1000 ends it
    EXPECT_EQ(done, -1);
    for (float s : buffer) ASSERT_EQ(s, 0.5f);
    control->Release();
    EXPECT_EQ(effect->Release(), 0u);
}

}  // namespace
}  // namespace lumbrook
