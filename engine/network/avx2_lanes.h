// The AVX2 kernel's lanes: the compiler's vector types and the few
// operations the kernel needs on them, each one instruction. Only
// avx2_kernel.cpp includes this, after switching the compiler to AVX2 and FMA.
#pragma once

#include <cstring>

#include <immintrin.h>

namespace lumbrook {
namespace avx2 {

// 32-bit x86 has eight vector registers, not sixteen.
constexpr bool kFewRegisters = sizeof(void*) == 4;

typedef float V2f __attribute__((vector_size(8)));
typedef float V4f __attribute__((vector_size(16)));
typedef double V2d __attribute__((vector_size(16)));
typedef double V4d __attribute__((vector_size(32)));
typedef int V4i32 __attribute__((vector_size(16)));
typedef long long V4i64 __attribute__((vector_size(32)));

// Unaligned: lines and slices start anywhere.
template <class Vector, class T>
Vector Load(const T* p) {
    Vector v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class Vector, class T>
void Store(T* p, Vector v) {
    std::memcpy(p, &v, sizeof v);
}

inline V4d Splat4(double x) {
    return V4d{x, x, x, x};
}
// The same from memory, one instruction: a loop that reads its factor at
// each use keeps a register free.
inline void Broadcast(V4d& v, const double* x) {
    v = V4d(_mm256_broadcast_sd(x));
}
// One instruction each; the compiler's generic conversion would split them.
inline V4d Widen(V4f v) {
    return V4d(_mm256_cvtps_pd(__m128(v)));
}
inline V4f Narrow(V4d v) {
    return V4f(_mm256_cvtpd_ps(__m256d(v)));
}

// Rows become columns: out[c][r] = in[r][c]. Doubles pair up within the
// register's halves first, then the halves swap.
inline void Transpose(V4d& a, V4d& b, V4d& c, V4d& d) {
    const V4d ab0 = __builtin_shuffle(a, b, V4i64{0, 4, 2, 6});
    const V4d ab1 = __builtin_shuffle(a, b, V4i64{1, 5, 3, 7});
    const V4d cd0 = __builtin_shuffle(c, d, V4i64{0, 4, 2, 6});
    const V4d cd1 = __builtin_shuffle(c, d, V4i64{1, 5, 3, 7});
    a = __builtin_shuffle(ab0, cd0, V4i64{0, 1, 4, 5});
    b = __builtin_shuffle(ab1, cd1, V4i64{0, 1, 4, 5});
    c = __builtin_shuffle(ab0, cd0, V4i64{2, 3, 6, 7});
    d = __builtin_shuffle(ab1, cd1, V4i64{2, 3, 6, 7});
}
// The same for floats, in the order of SSE's interleaving shuffles.
inline void Transpose(V4f& a, V4f& b, V4f& c, V4f& d) {
    const V4f ab0 = __builtin_shuffle(a, b, V4i32{0, 4, 1, 5});
    const V4f ab1 = __builtin_shuffle(a, b, V4i32{2, 6, 3, 7});
    const V4f cd0 = __builtin_shuffle(c, d, V4i32{0, 4, 1, 5});
    const V4f cd1 = __builtin_shuffle(c, d, V4i32{2, 6, 3, 7});
    a = __builtin_shuffle(ab0, cd0, V4i32{0, 1, 4, 5});
    b = __builtin_shuffle(ab0, cd0, V4i32{2, 3, 6, 7});
    c = __builtin_shuffle(ab1, cd1, V4i32{0, 1, 4, 5});
    d = __builtin_shuffle(ab1, cd1, V4i32{2, 3, 6, 7});
}

// The store's round trip through float, one instruction each way.
inline V4d RoundToFloat(V4d v) {
    return Widen(Narrow(v));
}
inline V2d RoundToFloat(V2d v) {
    return V2d(_mm_cvtps_pd(_mm_cvtpd_ps(__m128d(v))));
}

// a * b + c, for a and b of single precision only (see the top of this file).
inline V4d ExactProductPlus(V4d a, V4d b, V4d c) {
    return V4d(_mm256_fmadd_pd(__m256d(a), __m256d(b), __m256d(c)));
}
inline V2d ExactProductPlus(V2d a, V2d b, V2d c) {
    return V2d(_mm_fmadd_pd(__m128d(a), __m128d(b), __m128d(c)));
}

// The halves of a register of two, and a register of two from halves.
inline double LowHalf(V2d v) {
    return v[0];
}
inline double HighHalf(V2d v) {
    return v[1];
}
inline V2d Join(double low, double high) {
    return V2d{low, high};
}
inline double RoundToFloat(double v) {
    return double(float(v));
}

// The halves of a register of four, and a register of four from halves.
inline V2d LowHalf(V4d v) {
    return V2d(_mm256_castpd256_pd128(__m256d(v)));
}
inline V2d HighHalf(V4d v) {
    return V2d(_mm256_extractf128_pd(__m256d(v), 1));
}
inline V4d Join(V2d low, V2d high) {
    return V4d(_mm256_insertf128_pd(_mm256_castpd128_pd256(__m128d(low)), __m128d(high), 1));
}

}  // namespace avx2
}  // namespace lumbrook
