// The benchmarks' numeric arguments: rounds, seconds, frames.
#pragma once

#include <cstdlib>

namespace lumbrook::bench {

// A whole number from 1 to `most`, or 0 when the text is not one.
inline long Count(const char* text, long most) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 1 && value <= most ? value : 0;
}

}  // namespace lumbrook::bench
