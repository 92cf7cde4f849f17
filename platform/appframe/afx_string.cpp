#include "afx_string.h"

#include <cstdarg>
#include <cstdio>

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(text_, kCapacity, format, args);
    va_end(args);
    if (written < 0) text_[0] = 0;
}
