// Tuning constants of the reverberation network. Each is a single-precision
// value: the sound (and every worked length and gain) depends on the exact
// float, widened to double where it is used.
#pragma once

#include <cstdint>

namespace lumbrook {

// Every delay line holds this many samples: every length for rates up to
// 800 kHz with the parameters in 0..1. Lengths are clamped to it.
constexpr int32_t kLineCapacity = 192020;

// The highest rate the tools and the plug-ins run at: above about 800 kHz
// every line would clamp to the capacity, all combs to one length. Rates
// higher still are header damage or hostility, not audio anyone means: ten
// seconds of tail at 2^31 Hz would be 171 GB.
constexpr uint32_t kMaxSampleRate = 768000;

constexpr int kCombsPerChannel = 8;
constexpr int kAllpassesPerChannel = 4;
constexpr int kCombCount = 2 * kCombsPerChannel;         // left 1-8, then right 1-8
constexpr int kAllpassCount = 2 * kAllpassesPerChannel;  // left 1-4, then right 1-4

// Delay tunings in milliseconds, before the 1.1 stretch. The right channel's
// are the left ones plus 0.52 ms, written out so each is the float of its decimal.
constexpr float kCombTuningMs[kCombCount] = {
    25.3f,  26.93f, 28.95f, 30.74f, 32.24f, 33.8f,  35.3f,  36.66f,
    25.82f, 27.45f, 29.47f, 31.26f, 32.76f, 34.32f, 35.82f, 37.18f,
};
constexpr float kAllpassTuningMs[kAllpassCount] = {
    12.6f,  10.0f,  7.73f, 5.1f,  // longest first: the order of the chain
    13.12f, 10.52f, 8.25f, 5.62f,
};

constexpr float kSamplesPerMsScale = 0.001f;  // 0.0010000000474974513
constexpr float kTuningStretch = 1.1f;        // 1.100000023841858
constexpr float kPreDelayScale = 0.1f;        // seconds of pre-delay at preDelay 1.0
constexpr float kEarlyRoomMs = 190.0f;        // early echo: 50 ms + roomSize * 190 ms
constexpr float kEarlyBaseMs = 50.0f;
constexpr float kRightEarlyScale = 0.9f;  // 0.8999999761581421: right echo 10 % earlier

constexpr float kFeedbackScale = 0.28f;  // feedback 0.7 .. 0.98
constexpr float kFeedbackBase = 0.7f;
constexpr float kDampScale = 0.4f;
constexpr float kEarlyGainScale = 0.4f;

// The pre-delay as people read it: preDelay 1.0 is 100 ms. The display
// unit, the automation help text and the plug-ins' ports all say so from here.
constexpr double kPreDelayMaxMs = 100.0;
static_assert(float(kPreDelayMaxMs / 1000.0) == kPreDelayScale, "the pre-delay's ms are its own");

constexpr float kShelfDbRange = 12.0f;  // value 0..1 is -6..+6 dB
constexpr float kShelfDbOffset = 6.0f;
constexpr float kShelfExponentScale = 0.025f;  // A = 10^(dB/40)

constexpr float kCombInputGainStereo = 0.015f;  // 0.014999999664723873
constexpr float kCombInputGainMono = 0.03f;     // 0.029999999329447746, twice the stereo gain
constexpr double kAllpassGain = 0.5;

constexpr double kLowShelfCornerHz = 250.0;
constexpr double kLowShelfOmegaTimesRate = 1570.7963267948965;  // 2 pi 250
constexpr double kTwoPi = 6.283185307179586;
// So a low shelf designed from its corner keeps the constant's w0 exactly.
static_assert(kLowShelfCornerHz * kTwoPi == kLowShelfOmegaTimesRate, "2 pi 250 must be exact");
constexpr float kHighShelfCornerRatio = 0.4761905f;  // about 1/2.1: below Nyquist
constexpr double kHighShelfCornerMaxHz = 6000.0;

constexpr int32_t kTailSeconds = 10;

}  // namespace lumbrook
