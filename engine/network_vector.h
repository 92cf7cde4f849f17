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
// operands may swap: that gives the same bits). A product is fused into the
// sum that takes it only where both factors are single-precision values (a
// float sample, a coefficient stored as float): such a product is exact in
// double, so the fused form rounds once where the separate forms round once.

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

// The equaliser of the channels run: low shelf, rounded to float, then high
// shelf, over ctx.series, one frame per step of the combs' recursion.
template <int kChannels>
struct Equaliser;

// Stereo: one register holds both channels' low shelves (lanes 0 and 1) and
// both high shelves (lanes 2 and 3), the high shelves two frames behind, so
// that a step's high lanes take a low output that is ready well before
// (the sum's first term is the input). A block's first two steps run the
// low lanes only, and Finish runs the two frames the high lanes still owe.
template <>
struct Equaliser<2> {
    struct History {
        V4d x1, x2, y1, y2;
        V2d late1, late2;  // the low shelves' rounded outputs of the last two frames
    };
    V4d b0, b1, b2, a1, a2;
    History kept;
    int32_t behind = 0;  // frames the high shelves owe, up to two

    explicit Equaliser(const NetworkState& net) {
        const ShelfFilter* low = &net.shelf[kLeftLowShelf];
        const ShelfFilter* high = &net.shelf[kLeftHighShelf];
        auto lanes = [&](double ShelfFilter::*field) {
            return V4d{low[0].*field, low[1].*field, high[0].*field, high[1].*field};
        };
        b0 = lanes(&ShelfFilter::b0), b1 = lanes(&ShelfFilter::b1), b2 = lanes(&ShelfFilter::b2);
        a1 = lanes(&ShelfFilter::a1), a2 = lanes(&ShelfFilter::a2);
        kept = {lanes(&ShelfFilter::x1),
                lanes(&ShelfFilter::x2),
                lanes(&ShelfFilter::y1),
                lanes(&ShelfFilter::y2),
                V2d{},
                V2d{}};
    }

    History Begin() const { return kept; }
    void End(const History& h) { kept = h; }

    // One step of all four shelves: the steps of ShelfStep, lane by lane.
    V4d Step(History& h, V4d x) const {
        const V4d y = b0 * x + b1 * h.x1 + b2 * h.x2 - a1 * h.y1 - a2 * h.y2;
        h.x2 = h.x1, h.x1 = x, h.y2 = h.y1, h.y1 = y;
        return y;
    }

    // Low shelves of frame j; high shelves of frame j - 2 once they run.
    void Filter(CallContext& ctx, int32_t j, History& h) {
        const V2d in = {ctx.series[0][j], ctx.series[1][j]};
        if (behind < 2) {
            History lowOnly = h;
            const V4d y = Step(lowOnly, Join(in, HighHalf(h.x1)));
            h.x2 = Join(LowHalf(h.x1), HighHalf(h.x2));
            h.x1 = Join(in, HighHalf(h.x1));
            h.y2 = Join(LowHalf(h.y1), HighHalf(h.y2));
            h.y1 = Join(LowHalf(y), HighHalf(h.y1));
            h.late2 = h.late1, h.late1 = RoundToFloat(LowHalf(y));
            ++behind;
            return;
        }
        const V4d y = Step(h, Join(in, h.late2));
        h.late2 = h.late1, h.late1 = RoundToFloat(LowHalf(y));
        ctx.series[0][j - 2] = y[2];
        ctx.series[1][j - 2] = y[3];
    }

    // The high shelves of the block's last frames (end: the block's length).
    void Finish(CallContext& ctx, int32_t end) {
        History& h = kept;
        for (; behind > 0; --behind) {
            const V2d late = behind == 2 ? h.late2 : h.late1;
            History highOnly = h;
            const V4d y = Step(highOnly, Join(LowHalf(h.x1), late));
            h.x2 = Join(LowHalf(h.x2), HighHalf(h.x1));
            h.x1 = Join(LowHalf(h.x1), late);
            h.y2 = Join(LowHalf(h.y2), HighHalf(h.y1));
            h.y1 = Join(LowHalf(h.y1), HighHalf(y));
            ctx.series[0][end - behind] = y[2];
            ctx.series[1][end - behind] = y[3];
        }
    }

    void StoreHistory(NetworkState& net) const {
        ShelfFilter* low = &net.shelf[kLeftLowShelf];
        ShelfFilter* high = &net.shelf[kLeftHighShelf];
        for (int ch = 0; ch < 2; ++ch) {
            low[ch].x1 = kept.x1[ch], low[ch].x2 = kept.x2[ch];
            low[ch].y1 = kept.y1[ch], low[ch].y2 = kept.y2[ch];
            high[ch].x1 = kept.x1[2 + ch], high[ch].x2 = kept.x2[2 + ch];
            high[ch].y1 = kept.y1[2 + ch], high[ch].y2 = kept.y2[2 + ch];
        }
    }
};

template <>
struct Equaliser<1> {
    struct History {
        ShelfHistory<double> low, high;
    };
    ShelfFilter low, high;

    explicit Equaliser(const NetworkState& net)
        : low(net.shelf[kLeftLowShelf]), high(net.shelf[kLeftHighShelf]) {}

    // The histories apart, so that a loop keeps them in registers.
    History Begin() const {
        return {{low.x1, low.x2, low.y1, low.y2}, {high.x1, high.x2, high.y1, high.y2}};
    }
    void End(const History& h) {
        low.x1 = h.low.x1, low.x2 = h.low.x2, low.y1 = h.low.y1, low.y2 = h.low.y2;
        high.x1 = h.high.x1, high.x2 = h.high.x2, high.y1 = h.high.y1, high.y2 = h.high.y2;
    }

    void Filter(CallContext& ctx, int32_t j, History& h) const {
        const float lowOut = float(ShelfStep(low, h.low, ctx.series[0][j]));
        ctx.series[0][j] = ShelfStep(high, h.high, double(lowOut));
    }

    void Finish(CallContext&, int32_t) {}

    void StoreHistory(NetworkState& net) const {
        net.shelf[kLeftLowShelf] = low;
        net.shelf[kLeftHighShelf] = high;
    }
};

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
    typename Equaliser<kChannels>::History history = eqKept.Begin();
    for (int32_t j = 0; j < frames; ++j) {
        for (int g = 0; g < kGroups; ++g) {
            double* slot = &ctx.combDamped[j][kWidth * g];
            const Lanes filtered = ExactProductPlus(store[g], damp1, Load<Lanes>(slot));
            store[g] = RoundToFloat(filtered);
            Store(slot, filtered);
        }
        if (eq) eqKept.Filter(ctx, done + j, history);
    }
    for (int g = 0; g < kGroups; ++g) Store(storeKept + kWidth * g, store[g]);
    eqKept.End(history);
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

// A run of `frames` frames of a line from its cursor, as one straight array:
// the line itself where the run does not wrap, otherwise `spare`, filled from
// the line's two pieces; CloseRun writes it back and moves the cursor on.
// Runs of the lines of a stage then need not end where one of them wraps,
// and their reads and writes need no wrap test. A line at least as long as
// the run keeps its two pieces apart. A cursor left beyond a shortened
// length takes one frame there, then wraps, as ChunkBeforeWrap has it.
inline int32_t FramesBeforeWrap(int32_t cursor, int32_t length, int32_t frames) {
    return ChunkBeforeWrap(&cursor, &length, 1, frames);
}
inline float* OpenRun(float* line, int32_t cursor, int32_t length, int32_t frames, float* spare) {
    const int32_t before = FramesBeforeWrap(cursor, length, frames);
    if (before == frames) return line + cursor;
    std::memcpy(spare, line + cursor, sizeof(float) * size_t(before));
    std::memcpy(spare + before, line, sizeof(float) * size_t(frames - before));
    return spare;
}
inline void CloseRun(float* line, int32_t& cursor, int32_t length, int32_t frames,
                     const float* run) {
    const int32_t before = FramesBeforeWrap(cursor, length, frames);
    if (before == frames) {
        AdvanceCursors(&cursor, &length, 1, frames);
        return;
    }
    std::memcpy(line + cursor, run, sizeof(float) * size_t(before));
    std::memcpy(line, run + before, sizeof(float) * size_t(frames - before));
    cursor = frames - before;
}

inline int32_t ShortestLength(const int32_t* length, int count) {
    int32_t shortest = length[0];
    for (int i = 1; i < count; ++i)
        if (length[i] < shortest) shortest = length[i];
    return shortest;
}

// Each channel's four all-passes in series over frames done.. of ctx.series
// (at most a slice), four frames at a time.
template <int kChannels>
void RunAllpasses(NetworkState& net, CallContext& ctx, int32_t done, int32_t frameCount) {
    const V4d gain = Splat4(kAllpassGain);
    for (int ch = 0; ch < kChannels; ++ch) {
        int32_t* cursor = net.allpassCursor + ch * kAllpassesPerChannel;
        const int32_t* length = ctx.allpassLength + ch * kAllpassesPerChannel;
        float* line[kAllpassesPerChannel];
        for (int k = 0; k < kAllpassesPerChannel; ++k)
            line[k] = net.allpassLine[ch * kAllpassesPerChannel + k];
        // Lines shorter than the slice (very low rates) stop at every wrap.
        const bool whole = ShortestLength(length, kAllpassesPerChannel) >= frameCount;
        alignas(16) float spare[kAllpassesPerChannel][kCombSliceFrames];
        double* x = ctx.series[ch] + done;
        for (int32_t frames = frameCount; frames > 0;) {
            const int32_t chunk =
                whole ? frames : ChunkBeforeWrap(cursor, length, kAllpassesPerChannel, frames);
            float* at[kAllpassesPerChannel];
            for (int k = 0; k < kAllpassesPerChannel; ++k)
                at[k] = OpenRun(line[k], cursor[k], length[k], chunk, spare[k]);
            int32_t j = 0;
            for (; j + 4 <= chunk; j += 4) {
                V4d v = Load<V4d>(x + j);
                for (int k = 0; k < kAllpassesPerChannel; ++k) {
                    const V4d held = Widen(Load<V4f>(at[k] + j));
                    Store(at[k] + j, Narrow(ExactProductPlus(held, gain, v)));
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
            for (int k = 0; k < kAllpassesPerChannel; ++k)
                CloseRun(line[k], cursor[k], length[k], chunk, at[k]);
            x += chunk;
            frames -= chunk;
        }
    }
}

// Combs, all-passes and equaliser, slice by slice. A slice's comb reads all
// come before its writes: every line is at least a slice long (otherwise a
// slice ends where a comb wraps), so a slice never reads what it wrote.
template <int kChannels, bool eq>
void RunWetPath(NetworkState& net, CallContext& ctx, int32_t frameCount) {
    constexpr int kCombs = kChannels * kCombsPerChannel;
    int32_t* cursor = net.combCursor;
    const int32_t* length = ctx.combLength;
    alignas(32) double store[kCombs];
    for (int g = 0; g < kCombs / 4; ++g)
        Store(store + 4 * g, Widen(Load<V4f>(net.combStore + 4 * g)));
    Equaliser<kChannels> equaliser(net);
    const bool whole = ShortestLength(length, kCombs) >= kCombSliceFrames;
    alignas(16) float spare[kCombs][kCombSliceFrames];
    for (int32_t done = 0; done < frameCount;) {
        const int32_t left = frameCount - done;
        const int32_t slice = left < kCombSliceFrames ? left : kCombSliceFrames;
        const int32_t chunk = whole ? slice : ChunkBeforeWrap(cursor, length, kCombs, slice);
        float* line[kCombs];
        for (int k = 0; k < kCombs; ++k)
            line[k] = OpenRun(net.combLine[k], cursor[k], length[k], chunk, spare[k]);
        ReadCombs<kChannels>(ctx, line, done, chunk);
        RunAllpasses<kChannels>(net, ctx, done, chunk);
        FilterCombs<kChannels, eq>(ctx, store, equaliser, done, chunk);
        WriteCombs<kChannels>(ctx, line, done, chunk);
        for (int k = 0; k < kCombs; ++k)
            CloseRun(net.combLine[k], cursor[k], length[k], chunk, line[k]);
        done += chunk;
    }
    for (int g = 0; g < kCombs / 4; ++g)
        Store(net.combStore + 4 * g, Narrow(Load<V4d>(store + 4 * g)));
    if (eq) {
        equaliser.Finish(ctx, frameCount);
        equaliser.StoreHistory(net);
    }
}

// Dry + reverberation + early echo over the buffer, four frames at a time,
// the channels interleaved in registers: whole vector stores to the buffer.
template <int kChannels, bool tail>
void WriteOutput(const CallContext& ctx, float* frames, int32_t frameCount) {
    const V4d wetGain = Splat4(ctx.wetGain);
    const V4d dryGain = Splat4(ctx.dryGain);
    const V4d earlyGain = Splat4(ctx.earlyGain);
    int32_t j = 0;
    for (; j + 4 <= frameCount; j += 4) {
        V4f rounded[kChannels];
        for (int ch = 0; ch < kChannels; ++ch) {
            V4d out = Load<V4d>(&ctx.series[ch][j]) * wetGain;
            // The dry term comes from the checked input, not the buffer.
            if (!tail) out = ExactProductPlus(Widen(Load<V4f>(&ctx.in[ch][j])), dryGain, out);
            const V4d early = -Widen(Load<V4f>(&ctx.early[ch][j]));
            rounded[ch] = Narrow(ExactProductPlus(early, earlyGain, out));
        }
        if constexpr (kChannels == 1) {
            Store(frames + j, rounded[0]);
        } else {
            Store(frames + 2 * j, __builtin_shuffle(rounded[0], rounded[1], V4i32{0, 4, 1, 5}));
            Store(frames + 2 * j + 4, __builtin_shuffle(rounded[0], rounded[1], V4i32{2, 6, 3, 7}));
        }
    }
    for (; j < frameCount; ++j) {
        for (int ch = 0; ch < kChannels; ++ch) {
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
