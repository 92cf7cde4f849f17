// CString: the framework's string, as the editor uses it: formatting a
// number for an edit box. Short texts only (fixed capacity, no allocation).
#pragma once

#include <windows.h>

class CString {
public:
    static constexpr int kCapacity = 128;

    CString() { text_[0] = 0; }

    // printf-style formatting; the result is cut to fit.
    void Format(const char* format, ...);

    operator const char*() const { return text_; }

private:
    char text_[kCapacity];
};
