// Heap storage that starts as zeros, for the engine and for whatever holds
// one as a member (the effect object, the Linux plug-ins). An engine built
// inside such a block skips clearing its tens of megabytes of lines: each
// block is fresh pages of zeros from the system (a mapping of its own on
// POSIX, whatever malloc's thresholds have become), so the lines cost
// neither a clear nor memory until a stream uses them.
#pragma once

#include <cstddef>
#include <new>

namespace lumbrook {

// A base whose operators new hand out zero-filled blocks and mark the newest
// one on this thread; the first engine constructed afterwards on the thread
// takes the mark (see TakeZeroFilledMark).
struct ZeroFilledStorage {
    static void* operator new(std::size_t size);  // std::bad_alloc without memory
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void* operator new(std::size_t, void* place) noexcept { return place; }
    static void operator delete(void* memory) noexcept;
    static void operator delete(void* memory, const std::nothrow_t&) noexcept;
    static void operator delete(void*, void*) noexcept {}
};

// True when [object, object + size) lies inside the block marked last on
// this thread, which nothing has written since; the mark is spent either way,
// so anything built later (stack, member of another object, placement over
// used memory) clears what it needs.
bool TakeZeroFilledMark(const void* object, std::size_t size) noexcept;

}  // namespace lumbrook
