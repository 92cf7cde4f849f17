// What the graph client's COM code shares: a reference that releases itself
// (one owner per pointer, moved never copied) and result codes as text.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace lumbrook {

template <typename T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* owned) : p_(owned) {}
    ~ComRef() { Reset(); }
    ComRef(ComRef&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // The slot an out parameter fills; anything held before is released.
    T** Out() {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// "0x80040217", as the system's documentation lists result codes.
inline std::string HexCode(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace lumbrook
