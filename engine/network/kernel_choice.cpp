// Chooses the network kernel: the widest the processor runs, unless a test
// or a benchmark asked for another.
#include "kernels.h"

#include <atomic>

namespace lumbrook {

namespace {

NetworkKernel BestKernel() {
#ifdef LUMBROOK_AVX2_KERNEL
    if (KernelAvailable(NetworkKernel::Avx2)) return NetworkKernel::Avx2;
#endif
#ifdef LUMBROOK_SSE2_KERNEL
    return NetworkKernel::Sse2;
#else
    return NetworkKernel::Portable;
#endif
}

std::atomic<NetworkKernel>& Active() {
    static std::atomic<NetworkKernel> active(BestKernel());
    return active;
}

}  // namespace

bool KernelAvailable(NetworkKernel kernel) {
    switch (kernel) {
    case NetworkKernel::Portable: return true;
#ifdef LUMBROOK_SSE2_KERNEL
    case NetworkKernel::Sse2: return true;
#endif
#ifdef LUMBROOK_AVX2_KERNEL
    case NetworkKernel::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#endif
    default: return false;
    }
}

bool UseKernel(NetworkKernel kernel) {
    if (!KernelAvailable(kernel)) return false;
    Active().store(kernel, std::memory_order_relaxed);
    return true;
}

NetworkKernel ActiveKernel() {
    return Active().load(std::memory_order_relaxed);
}

BatchKernel ActiveBatchKernel() {
    switch (ActiveKernel()) {
#ifdef LUMBROOK_SSE2_KERNEL
    case NetworkKernel::Sse2: return RunBatchSse2;
#endif
#ifdef LUMBROOK_AVX2_KERNEL
    case NetworkKernel::Avx2: return RunBatchAvx2;
#endif
    default: return RunBatch;
    }
}

}  // namespace lumbrook
