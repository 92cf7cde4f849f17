#include "plugin_ports.h"

#include <cmath>

namespace lumbrook {

// The exact quotient, rounded once: the float nearest the number a host
// shows. The unit's single-precision step (ValueFromDisplay) rounds
// twice and misses some values outright (no number reaches 0.8, the default
// levels), which a preset or a default must reach bit for bit.
float ValueFromPort(const ParamInfo& param, float port) {
    const double display = ClampDisplay(param.unit, double(port));
    return float((display - param.unit.offset) / param.unit.scale);
}

int32_t SwitchFromPort(float port) {
    return port >= 0.5f ? 1 : 0;
}

float PortFromValue(const ParamInfo& param, float value) {
    if (param.kind == ParamKind::Switch) return value != 0.0f ? 1.0f : 0.0f;
    const double display = ClampDisplay(param.unit, DisplayFromValue(param.unit, value));
    // The shortest decimal that reaches the value reads best in a host.
    double ten = 1.0;
    for (int decimals = 0; decimals <= 6; ++decimals, ten *= 10.0) {
        const float rounded = float(std::round(display * ten) / ten);
        if (ValueFromPort(param, rounded) == value) return rounded;
    }
    // Otherwise the float nearest the display, or the nearest that reaches
    // the value, searching outwards a few steps.
    const float nearest = float(display);
    float below = nearest, above = nearest;
    for (int step = 0; step < 64; ++step) {
        if (ValueFromPort(param, above) == value) return above;
        if (ValueFromPort(param, below) == value) return below;
        above = std::nextafter(above, INFINITY);
        below = std::nextafter(below, -INFINITY);
    }
    return nearest;
}

}  // namespace lumbrook
