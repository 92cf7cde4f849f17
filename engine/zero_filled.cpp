#include "zero_filled.h"

#include <cstdint>
#include <cstdlib>

namespace lumbrook {

namespace {

// The newest zero-filled block of this thread. The object that holds the
// engine is constructed right after its allocation, on the same thread, and
// writes only its own members before the engine's constructor runs.
thread_local std::uintptr_t tBlock = 0;
thread_local std::size_t tBlockSize = 0;

void ForgetBlock() {
    tBlock = 0;
    tBlockSize = 0;
}

}  // namespace

void* ZeroFilledStorage::operator new(std::size_t size, const std::nothrow_t&) noexcept {
    void* memory = std::calloc(1, size ? size : 1);
    if (memory) {
        tBlock = reinterpret_cast<std::uintptr_t>(memory);
        tBlockSize = size;
    }
    return memory;
}

void* ZeroFilledStorage::operator new(std::size_t size) {
    void* memory = operator new(size, std::nothrow);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void ZeroFilledStorage::operator delete(void* memory) noexcept {
    // A block freed before an engine took its mark must not lend it to
    // whatever the allocator puts at that address next.
    if (reinterpret_cast<std::uintptr_t>(memory) == tBlock) ForgetBlock();
    std::free(memory);
}

void ZeroFilledStorage::operator delete(void* memory, const std::nothrow_t&) noexcept {
    operator delete(memory);
}

bool TakeZeroFilledMark(const void* object, std::size_t size) noexcept {
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(object);
    const bool inside =
        tBlock != 0 && at >= tBlock && size <= tBlockSize && at - tBlock <= tBlockSize - size;
    ForgetBlock();
    return inside;
}

}  // namespace lumbrook
