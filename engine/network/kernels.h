// The network's kernels and the choice among them. Every kernel runs one
// batch through the network and gives the portable kernel's samples bit for
// bit; the vector kernels only reorder work that is independent (see
// avx2_kernel.cpp). The choice is made once from what the processor
// supports; tests and benchmarks may force one.
#pragma once

#include "batch.h"

#if defined(__GNUC__) && (defined(__SSE2__) || defined(__x86_64__))
#define LUMBROOK_SSE2_KERNEL 1
#endif
// Every x86 build carries the AVX2 kernel, 32-bit Windows included: the
// processor, not the build, decides whether it runs.
#if defined(__GNUC__) && (defined(__x86_64__) || (defined(__i386__) && defined(__SSE2__)))
#define LUMBROOK_AVX2_KERNEL 1
#endif

namespace lumbrook {

enum class NetworkKernel { Portable, Sse2, Avx2 };

// Whether this build has the kernel and this processor can run it.
bool KernelAvailable(NetworkKernel kernel);

// Makes every later processing call of every engine use `kernel`; false
// (and no change) when it is not available. Safe from any thread, but meant
// for tests and benchmarks: a host never needs it.
bool UseKernel(NetworkKernel kernel);

NetworkKernel ActiveKernel();

// Runs one batch of at most kBatchFrames frames of the interleaved buffer
// through the network and, if the call asks, writes the output over it.
// input.in must hold silence in a tail call.
using BatchKernel = void (*)(NetworkState& net, const CallSettings& call, BatchInput& input,
                             float* frames, int32_t frameCount);

// The active kernel.
BatchKernel ActiveBatchKernel();

// The portable kernel, one stage after another (portable_kernel.cpp).
void RunBatch(NetworkState& net, const CallSettings& call, BatchInput& input, float* frames,
              int32_t frameCount);
#ifdef LUMBROOK_SSE2_KERNEL
void RunBatchSse2(NetworkState& net, const CallSettings& call, BatchInput& input, float* frames,
                  int32_t frameCount);
#endif
#ifdef LUMBROOK_AVX2_KERNEL
void RunBatchAvx2(NetworkState& net, const CallSettings& call, BatchInput& input, float* frames,
                  int32_t frameCount);
#endif

}  // namespace lumbrook
