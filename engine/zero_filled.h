// Heap storage that starts as zeros, for the engine and for whatever holds
// one as a member (the effect object, the Linux plug-ins). An engine built
// in such a block skips clearing its tens of megabytes of lines: each block
// is fresh pages of zeros from the system (a mapping of its own on POSIX,
// whatever malloc's thresholds have become), so the lines cost neither a
// clear nor memory until a stream uses them.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace lumbrook {

// A base whose operators new hand out zero-filled blocks. Built any other
// way (stack, member of another object, placement over used memory), an
// object owes nothing to the storage it is in.
struct ZeroFilledStorage {
    static void* operator new(std::size_t size);  // std::bad_alloc without memory
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void* operator new(std::size_t, void* place) noexcept { return place; }
    static void operator delete(void* memory) noexcept;
    static void operator delete(void* memory, const std::nothrow_t&) noexcept;
    static void operator delete(void*, void*) noexcept {}
};

// The fact that an object is being built in a block that ZeroFilledStorage's
// new has just handed out, which nothing has written yet. Only NewZeroFilled
// states it; a constructor that takes it passes it on to the engine it holds.
class ZeroFilledBlock {
private:
    ZeroFilledBlock() = default;
    template <typename T, typename... Args>
    friend T* NewZeroFilled(Args&&... args) noexcept;
};

// A new T in a zero-filled block of its own, built as T(ZeroFilledBlock,
// args...); null without memory. For the owners' Create().
template <typename T, typename... Args>
T* NewZeroFilled(Args&&... args) noexcept {
    static_assert(std::is_base_of<ZeroFilledStorage, T>::value,
                  "only ZeroFilledStorage's new hands out zero-filled blocks");
    return new (std::nothrow) T(ZeroFilledBlock(), std::forward<Args>(args)...);
}

}  // namespace lumbrook
