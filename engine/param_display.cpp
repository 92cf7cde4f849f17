#include "param_display.h"

namespace lumbrook {

double DisplayFromValue(const ParamInfo& param, float value) {
    return double(value) * param.displayScale + param.displayOffset;
}

double ClampDisplay(const ParamInfo& param, double display) {
    const double low = param.displayMin, high = param.displayMax;
    if (display > low) return display >= high ? high : display;
    return low;
}

float ValueFromDisplay(const ParamInfo& param, double display) {
    if (param.displayOffset != 0.0)
        return float((display - param.displayOffset) * double(kDecibelScale));
    return float(display * double(kPercentScale));
}

}  // namespace lumbrook
