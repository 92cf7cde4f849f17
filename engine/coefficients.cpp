#include "coefficients.h"

#include <cmath>

#include "tuning.h"

namespace lumbrook {

float UnitSetting(float value) {
    if (!(value >= 0.0f)) return 0.0f;  // negative or NaN
    return value <= 1.0f ? value : 1.0f;
}

float FeedbackFrom(float roomSize) {
    return static_cast<float>(double(roomSize) * kFeedbackScale + double(kFeedbackBase));
}

float Damp1From(float damping) {
    return static_cast<float>(double(damping) * kDampScale);
}

float Damp2From(float damping) {
    return static_cast<float>(1.0 - double(damping) * kDampScale);
}

float EarlyGainFrom(float earlyRef) {
    return static_cast<float>(double(earlyRef) * kEarlyGainScale);
}

float ShelfGainFrom(float eqValue) {
    const double db = double(eqValue) * kShelfDbRange - double(kShelfDbOffset);
    return static_cast<float>(std::pow(10.0, db * double(kShelfExponentScale)));
}

float SamplesPerMs(uint32_t sampleRate) {
    return static_cast<float>(double(sampleRate) * double(kSamplesPerMsScale));
}

int32_t ClampedLength(double samples) {
    if (!(samples > 0.0)) return 0;  // negative, zero or NaN
    if (samples >= double(kLineCapacity)) return kLineCapacity;
    return static_cast<int32_t>(samples);
}

int32_t PreDelayLength(uint32_t sampleRate, float preDelay) {
    return ClampedLength(double(sampleRate) * double(preDelay) * double(kPreDelayScale));
}

int32_t EarlyLength(float samplesPerMs, float roomSize) {
    return ClampedLength((double(roomSize) * kEarlyRoomMs + double(kEarlyBaseMs)) *
                         double(samplesPerMs));
}

int32_t RightEarlyLength(int32_t earlyLength) {
    return ClampedLength(double(earlyLength) * double(kRightEarlyScale));
}

int32_t TuningLength(float samplesPerMs, float tuningMs) {
    const double scale = double(samplesPerMs) * double(kTuningStretch);
    return ClampedLength(scale * double(tuningMs));
}

double HighShelfCornerHz(uint32_t sampleRate) {
    const double corner = double(sampleRate) * double(kHighShelfCornerRatio);
    return corner < kHighShelfCornerMaxHz ? corner : kHighShelfCornerMaxHz;
}

double LowShelfCornerHz(uint32_t sampleRate) {
    return double(sampleRate) >= 2.0 * kLowShelfCornerHz ? kLowShelfCornerHz
                                                         : HighShelfCornerHz(sampleRate);
}

}  // namespace lumbrook
