// The network written with the compiler's vector types for AVX2, included by
// network_avx2.cpp inside an unnamed namespace and after its own headers.
//
// Why it gives the portable kernel's samples: within a run of frames in
// which no line wraps, a comb or all-pass reads values written `length`
// frames earlier, never in the same run, so its reads, its writes and its
// all-pass arithmetic can run many frames at once. The only recursion left
// is each comb's damping store, which runs frame by frame with the sixteen
// combs side by side. Every sum and product is the portable kernel's IEEE
// double operation on the same operands, in the same order (an addition's
// operands may swap: that gives the same bits); no contraction.

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

// Pass one over a slice: each channel's comb outputs summed in comb order
// into ctx.series, and every comb's output times damp2, frame by frame, into
// ctx.combDamped.
template <int kChannels>
void ReadCombs(CallContext& ctx, float* const* line, int32_t done, int32_t frames) {
    const V4d damp2 = Splat4(ctx.damp2);
    for (int ch = 0; ch < kChannels; ++ch) {
        float* const* own = line + ch * kCombsPerChannel;
        double* sum = ctx.series[ch] + done;
        double* damped = &ctx.combDamped[0][ch * kCombsPerChannel];
        int32_t j = 0;
        for (; j + 4 <= frames; j += 4) {
            V4d total;
            for (int half = 0; half < kCombsPerChannel; half += 4) {
                V4d out[4];
                for (int i = 0; i < 4; ++i) out[i] = Widen(Load<V4f>(own[half + i] + j));
                total = half == 0 ? out[0] + out[1] : total + out[0] + out[1];
                total = total + out[2] + out[3];
                for (V4d& o : out) o = o * damp2;
                Transpose(out[0], out[1], out[2], out[3]);
                for (int r = 0; r < 4; ++r) Store(damped + (j + r) * kCombCount + half, out[r]);
            }
            Store(sum + j, total);
        }
        for (; j < frames; ++j) {
            double total = 0.0;
            for (int k = 0; k < kCombsPerChannel; ++k) {
                const double out = own[k][j];
                total = k == 0 ? out : total + out;
                damped[j * kCombCount + k] = out * ctx.damp2;
            }
            sum[j] = total;
        }
    }
}

// The equaliser of the channels run: low shelf, rounded to float, then high
// shelf, over one frame of ctx.series.
template <int kChannels>
struct Equaliser;

template <>
struct Equaliser<2> {
    using History = ShelfHistory<V2d>;
    ShelfPair low, high;

    explicit Equaliser(const NetworkState& net)
        : low(net.shelf[kLeftLowShelf], net.shelf[kRightLowShelf]),
          high(net.shelf[kLeftHighShelf], net.shelf[kRightHighShelf]) {}

    // The histories apart, so that a loop keeps them in registers.
    static History HistoryOf(const ShelfPair& s) { return {s.x1, s.x2, s.y1, s.y2}; }
    static void Keep(ShelfPair& s, const History& h) {
        s.x1 = h.x1, s.x2 = h.x2, s.y1 = h.y1, s.y2 = h.y2;
    }

    void Filter(CallContext& ctx, int32_t j, History& lowHistory, History& highHistory) const {
        const V2d x = {ctx.series[0][j], ctx.series[1][j]};
        const V2d lowOut = __builtin_convertvector(
            __builtin_convertvector(ShelfStep(low, lowHistory, x), V2f), V2d);
        const V2d y = ShelfStep(high, highHistory, lowOut);
        ctx.series[0][j] = y[0];
        ctx.series[1][j] = y[1];
    }

    void StoreHistory(NetworkState& net) const {
        low.StoreHistory(net.shelf[kLeftLowShelf], net.shelf[kRightLowShelf]);
        high.StoreHistory(net.shelf[kLeftHighShelf], net.shelf[kRightHighShelf]);
    }
};

template <>
struct Equaliser<1> {
    using History = ShelfHistory<double>;
    ShelfFilter low, high;

    explicit Equaliser(const NetworkState& net)
        : low(net.shelf[kLeftLowShelf]), high(net.shelf[kLeftHighShelf]) {}

    static History HistoryOf(const ShelfFilter& s) { return {s.x1, s.x2, s.y1, s.y2}; }
    static void Keep(ShelfFilter& s, const History& h) {
        s.x1 = h.x1, s.x2 = h.x2, s.y1 = h.y1, s.y2 = h.y2;
    }

    void Filter(CallContext& ctx, int32_t j, History& lowHistory, History& highHistory) const {
        const float lowOut = float(ShelfStep(low, lowHistory, ctx.series[0][j]));
        ctx.series[0][j] = ShelfStep(high, highHistory, double(lowOut));
    }

    void StoreHistory(NetworkState& net) const {
        net.shelf[kLeftLowShelf] = low;
        net.shelf[kLeftHighShelf] = high;
    }
};

// The store's round trip through float, one instruction each way.
inline V4d RoundToFloat(V4d v) {
    return Widen(Narrow(v));
}
inline V2d RoundToFloat(V2d v) {
    return V2d(_mm_cvtps_pd(_mm_cvtpd_ps(__m128d(v))));
}

// Pass two: the damping recursion, frame by frame, every comb at once; each
// comb's unrounded new value replaces its damped output in ctx.combDamped.
// The equaliser, the other recursion, runs in the same loop over the slice's
// all-passed frames: the two chains of dependent operations then overlap.
// Alone, the combs run two to a register: the round trip through float is
// then quicker, and the registers still hold every pair.
template <int kChannels, bool eq>
void FilterCombs(CallContext& ctx, double* storeKept, Equaliser<kChannels>& eqKept, int32_t done,
                 int32_t frames) {
    using Lanes = typename std::conditional<eq, V4d, V2d>::type;
    constexpr int kWidth = sizeof(Lanes) / sizeof(double);
    constexpr int kGroups = kChannels * kCombsPerChannel / kWidth;
    Lanes damp1;
    for (int i = 0; i < kWidth; ++i) damp1[i] = ctx.damp1;
    // Local copies stay in registers across the loop's stores.
    Lanes store[kGroups];
    for (int g = 0; g < kGroups; ++g) store[g] = Load<Lanes>(storeKept + kWidth * g);
    using History = typename Equaliser<kChannels>::History;
    History lowHistory = Equaliser<kChannels>::HistoryOf(eqKept.low);
    History highHistory = Equaliser<kChannels>::HistoryOf(eqKept.high);
    for (int32_t j = 0; j < frames; ++j) {
        for (int g = 0; g < kGroups; ++g) {
            double* slot = &ctx.combDamped[j][kWidth * g];
            const Lanes filtered = Load<Lanes>(slot) + store[g] * damp1;
            store[g] = RoundToFloat(filtered);
            Store(slot, filtered);
        }
        if (eq) eqKept.Filter(ctx, done + j, lowHistory, highHistory);
    }
    for (int g = 0; g < kGroups; ++g) Store(storeKept + kWidth * g, store[g]);
    Equaliser<kChannels>::Keep(eqKept.low, lowHistory);
    Equaliser<kChannels>::Keep(eqKept.high, highHistory);
}

// Pass three: what each comb takes back, from pass two's values and the
// input, into the lines.
template <int kChannels>
void WriteCombs(const CallContext& ctx, float* const* line, int32_t done, int32_t frames) {
    constexpr int kCombs = kChannels * kCombsPerChannel;
    const V4d feedback = Splat4(ctx.feedback);
    const float* input = ctx.combInput + done;
    int32_t j = 0;
    for (; j + 4 <= frames; j += 4) {
        V4d in[4];
        for (int r = 0; r < 4; ++r) in[r] = Splat4(input[j + r]);
        for (int first = 0; first < kCombs; first += 4) {
            V4f v[4];
            for (int r = 0; r < 4; ++r)
                v[r] = Narrow(Load<V4d>(&ctx.combDamped[j + r][first]) * feedback + in[r]);
            Transpose(v[0], v[1], v[2], v[3]);
            for (int c = 0; c < 4; ++c) Store(line[first + c] + j, v[c]);
        }
    }
    for (; j < frames; ++j)
        for (int k = 0; k < kCombs; ++k)
            line[k][j] = float(ctx.combDamped[j][k] * ctx.feedback + double(input[j]));
}

// Each channel's four all-passes in series over frames done.. of ctx.series,
// four frames at a time.
template <int kChannels>
void RunAllpasses(NetworkState& net, CallContext& ctx, int32_t done, int32_t frameCount) {
    const V4d gain = Splat4(kAllpassGain);
    for (int ch = 0; ch < kChannels; ++ch) {
        int32_t* cursor = net.allpassCursor + ch * kAllpassesPerChannel;
        const int32_t* length = ctx.allpassLength + ch * kAllpassesPerChannel;
        double* x = ctx.series[ch] + done;
        for (int32_t frames = frameCount; frames > 0;) {
            const int32_t chunk = ChunkBeforeWrap(cursor, length, kAllpassesPerChannel, frames);
            float* at[kAllpassesPerChannel];
            for (int k = 0; k < kAllpassesPerChannel; ++k)
                at[k] = net.allpassLine[ch * kAllpassesPerChannel + k] + cursor[k];
            int32_t j = 0;
            for (; j + 4 <= chunk; j += 4) {
                V4d v = Load<V4d>(x + j);
                for (int k = 0; k < kAllpassesPerChannel; ++k) {
                    const V4d held = Widen(Load<V4f>(at[k] + j));
                    Store(at[k] + j, Narrow(v + held * gain));
                    v = held - v;
                }
                Store(x + j, v);
            }
            for (; j < chunk; ++j) {
                double v = x[j];
                for (int k = 0; k < kAllpassesPerChannel; ++k) {
                    const double held = at[k][j];
                    at[k][j] = float(v + held * kAllpassGain);
                    v = held - v;
                }
                x[j] = v;
            }
            AdvanceCursors(cursor, length, kAllpassesPerChannel, chunk);
            x += chunk;
            frames -= chunk;
        }
    }
}

// Combs, all-passes and equaliser, slice by slice: a slice ends before any
// comb wraps, so its reads all come before its writes.
template <int kChannels, bool eq>
void RunWetPath(NetworkState& net, CallContext& ctx, int32_t frameCount) {
    constexpr int kCombs = kChannels * kCombsPerChannel;
    int32_t* cursor = net.combCursor;
    const int32_t* length = ctx.combLength;
    alignas(32) double store[kCombs];
    for (int g = 0; g < kCombs / 4; ++g)
        Store(store + 4 * g, Widen(Load<V4f>(net.combStore + 4 * g)));
    Equaliser<kChannels> equaliser(net);
    for (int32_t done = 0; done < frameCount;) {
        const int32_t left = frameCount - done;
        const int32_t chunk = ChunkBeforeWrap(cursor, length, kCombs,
                                              left < kCombSliceFrames ? left : kCombSliceFrames);
        float* line[kCombs];
        for (int k = 0; k < kCombs; ++k) line[k] = net.combLine[k] + cursor[k];
        ReadCombs<kChannels>(ctx, line, done, chunk);
        RunAllpasses<kChannels>(net, ctx, done, chunk);
        FilterCombs<kChannels, eq>(ctx, store, equaliser, done, chunk);
        WriteCombs<kChannels>(ctx, line, done, chunk);
        AdvanceCursors(cursor, length, kCombs, chunk);
        done += chunk;
    }
    for (int g = 0; g < kCombs / 4; ++g)
        Store(net.combStore + 4 * g, Narrow(Load<V4d>(store + 4 * g)));
    if (eq) equaliser.StoreHistory(net);
}

// Dry + reverberation + early echo over the buffer, four frames at a time.
template <int kChannels, bool tail>
void WriteOutput(const CallContext& ctx, float* frames, int32_t frameCount) {
    const V4d wetGain = Splat4(ctx.wetGain);
    const V4d dryGain = Splat4(ctx.dryGain);
    const V4d earlyGain = Splat4(ctx.earlyGain);
    for (int ch = 0; ch < kChannels; ++ch) {
        int32_t j = 0;
        for (; j + 4 <= frameCount; j += 4) {
            const V4d echo = -Widen(Load<V4f>(&ctx.early[ch][j])) * earlyGain;
            V4d out = Load<V4d>(&ctx.series[ch][j]) * wetGain;
            // The dry term comes from the checked input, not the buffer.
            if (!tail) out = Widen(Load<V4f>(&ctx.in[ch][j])) * dryGain + out;
            const V4f rounded = Narrow(out + echo);
            for (int r = 0; r < 4; ++r) frames[(j + r) * kChannels + ch] = rounded[r];
        }
        for (; j < frameCount; ++j) {
            const double echo = -double(ctx.early[ch][j]) * ctx.earlyGain;
            const double wet = ctx.series[ch][j] * ctx.wetGain;
            frames[j * kChannels + ch] =
                tail ? float(wet + echo) : float(double(ctx.in[ch][j]) * ctx.dryGain + wet + echo);
        }
    }
}

template <int kChannels>
void RunBlockVector(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount) {
    if (!ctx.tail) ReadInput(ctx, frames, frameCount);
    RunInputStage(net, ctx, frameCount);
    if (ctx.eqActive)
        RunWetPath<kChannels, true>(net, ctx, frameCount);
    else
        RunWetPath<kChannels, false>(net, ctx, frameCount);
    if (!ctx.writeOutput) return;
    if (ctx.tail)
        WriteOutput<kChannels, true>(ctx, frames, frameCount);
    else
        WriteOutput<kChannels, false>(ctx, frames, frameCount);
}

inline void RunBlockVector(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount) {
    if (ctx.channels == 2)
        RunBlockVector<2>(net, ctx, frames, frameCount);
    else
        RunBlockVector<1>(net, ctx, frames, frameCount);
}
