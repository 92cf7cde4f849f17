#include "zero_filled.h"

#include <cstdint>
#include <cstdlib>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#define LUMBROOK_ZERO_FILLED_BY_MMAP 1
#endif

namespace lumbrook {

namespace {

#ifdef LUMBROOK_ZERO_FILLED_BY_MMAP
// Straight from the system, never through malloc: glibc maps a block this
// large afresh only while its mmap threshold stays below the block's size,
// the threshold rises each time such a block is freed, and calloc then
// hands out reused memory cleared in full (tens of milliseconds, every line
// resident). A mapping of its own is always fresh zero pages. Its length sits
// in front of the object, a cache line's worth so that the object keeps the
// mapping's alignment.
constexpr std::size_t kLengthBytes = 64;

void* AllocateZeroed(std::size_t size) {
    if (size > SIZE_MAX - kLengthBytes) return nullptr;
    const std::size_t length = kLengthBytes + size;
    void* mapping =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    *static_cast<std::size_t*>(mapping) = length;
    return static_cast<char*>(mapping) + kLengthBytes;
}

void FreeZeroed(void* memory) {
    if (!memory) return;
    void* mapping = static_cast<char*>(memory) - kLengthBytes;
    munmap(mapping, *static_cast<std::size_t*>(mapping));
}
#else
// Elsewhere (the Windows plug-ins, 32- and 64-bit) the C runtime takes a
// block this large from the system as zeroed pages and calloc leaves them
// untouched.
void* AllocateZeroed(std::size_t size) {
    return std::calloc(1, size ? size : 1);
}

void FreeZeroed(void* memory) {
    std::free(memory);
}
#endif

}  // namespace

void* ZeroFilledStorage::operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateZeroed(size);
}

void* ZeroFilledStorage::operator new(std::size_t size) {
    void* memory = operator new(size, std::nothrow);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void ZeroFilledStorage::operator delete(void* memory) noexcept {
    FreeZeroed(memory);
}

void ZeroFilledStorage::operator delete(void* memory, const std::nothrow_t&) noexcept {
    operator delete(memory);
}

}  // namespace lumbrook
