// The shelving sections: worked coefficients, gains at the band edges, the
// high corner below Nyquist, and lazy redesign that keeps the history.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "coefficients.h"
#include "engine_fixture.h"

namespace lumbrook {
namespace {

constexpr double kPi = 3.141592653589793;

double MagnitudeAt(const ShelfFilter& f, double w) {
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((f.b0 + f.b1 * z1 + f.b2 * z2) / (1.0 + f.a1 * z1 + f.a2 * z2));
}

ShelfFilter Designed(ShelfKind kind, double corner, double gain, double rate) {
    ShelfFilter f{};
    f.Prepare(kind, corner, gain, rate);
    return f;
}

TEST(Shelf, UnityGainPassesTheSignal) {
    for (ShelfKind kind : {ShelfKind::Low, ShelfKind::High}) {
        const ShelfFilter f = Designed(kind, kind == ShelfKind::Low ? 250.0 : 6000.0, 1.0, 44100);
        EXPECT_DOUBLE_EQ(f.b0, 1.0);
        EXPECT_DOUBLE_EQ(f.b1, f.a1);
        EXPECT_DOUBLE_EQ(f.b2, f.a2);
    }
}

TEST(Shelf, LowShelfAtFullBoost) {
    const double A = ShelfGainFrom(1.0f);
    ASSERT_EQ(A, 1.4125375747680664);
    const ShelfFilter f = Designed(ShelfKind::Low, 250.0, A, 44100);
    EXPECT_NEAR(f.b0, 1.008778805, 1e-9);
    EXPECT_NEAR(f.b1, -1.95718371, 1e-8);
    EXPECT_NEAR(f.b2, 0.9501597973, 1e-9);
    EXPECT_NEAR(f.a1, -1.957621391, 1e-9);
    EXPECT_NEAR(f.a2, 0.9585009212, 1e-9);
    EXPECT_NEAR(MagnitudeAt(f, 0.0), 1.99526, 1e-5);  // +6 dB
    EXPECT_NEAR(MagnitudeAt(f, kPi), 1.0, 1e-6);
}

TEST(Shelf, HighShelfAtFullCut) {
    const double A = ShelfGainFrom(0.0f);
    ASSERT_EQ(A, 0.7079457640647888);
    ASSERT_EQ(HighShelfCornerHz(44100), 6000.0);
    const ShelfFilter f = Designed(ShelfKind::High, 6000.0, A, 44100);
    EXPECT_NEAR(f.b0, 0.6109257361, 1e-9);
    EXPECT_NEAR(f.b1, -0.4195547903, 1e-9);
    EXPECT_NEAR(f.b2, 0.1565266846, 1e-9);
    EXPECT_NEAR(f.a1, -1.010246631, 1e-9);
    EXPECT_NEAR(f.a2, 0.3581442611, 1e-9);
    EXPECT_NEAR(MagnitudeAt(f, 0.0), 1.0, 1e-6);
    EXPECT_NEAR(MagnitudeAt(f, kPi), 0.50119, 1e-5);  // -6 dB
}

TEST(Shelf, HighCornerStaysBelowNyquist) {
    EXPECT_NEAR(HighShelfCornerHz(11025), 5250.0003, 1e-4);
    EXPECT_NEAR(HighShelfCornerHz(8000), 3809.524, 1e-3);
    EXPECT_EQ(HighShelfCornerHz(12600), 6000.0);
    EXPECT_EQ(HighShelfCornerHz(192000), 6000.0);
    for (uint32_t rate : {8000u, 11025u}) {
        SCOPED_TRACE(rate);
        const ShelfFilter f =
            Designed(ShelfKind::High, HighShelfCornerHz(rate), ShelfGainFrom(1.0f), rate);
        // Complex poles: radius is sqrt(a2).
        EXPECT_LT(f.a1 * f.a1, 4.0 * f.a2);
        EXPECT_NEAR(std::sqrt(std::fabs(f.a2)), 0.915, 0.01);
        EXPECT_LT(std::fabs(f.a2), 1.0);
    }
}

TEST(Shelf, RedesignKeepsTheHistory) {
    ShelfFilter f{};
    EXPECT_EQ(f.designKind, ShelfKind::None);
    f.Prepare(ShelfKind::High, 6000.0, 1.0, 44100);
    f.Filter(0.5);
    f.Filter(-0.25);
    const double y1 = f.y1;
    f.Prepare(ShelfKind::High, 6000.0, ShelfGainFrom(1.0f), 44100);
    EXPECT_EQ(f.designGain, double(ShelfGainFrom(1.0f)));
    EXPECT_EQ(f.b0, Designed(ShelfKind::High, 6000.0, ShelfGainFrom(1.0f), 44100).b0);
    EXPECT_EQ(f.x1, -0.25);
    EXPECT_EQ(f.x2, 0.5);
    EXPECT_EQ(f.y1, y1);
}

// The design runs only when an input differs from the current design, and
// for a change of any one of the four. A marker written over the
// coefficients shows whether Prepare designed again.
TEST(Shelf, RedesignsExactlyWhenAnInputChanges) {
    const double gain = ShelfGainFrom(1.0f);
    const struct {
        const char* change;
        ShelfKind kind;
        double corner, gain, rate;
        bool redesign;
    } rows[] = {
        {"nothing", ShelfKind::High, 6000.0, gain, 44100, false},
        {"corner", ShelfKind::High, 5999.0, gain, 44100, true},
        {"gain", ShelfKind::High, 6000.0, std::nextafter(gain, 2.0), 44100, true},
        {"kind", ShelfKind::Low, 6000.0, gain, 44100, true},
        {"rate", ShelfKind::High, 6000.0, gain, 48000, true},
    };
    for (const auto& row : rows) {
        ShelfFilter f = Designed(ShelfKind::High, 6000.0, gain, 44100);
        f.Filter(0.75);
        const double x1 = f.x1, y1 = f.y1;
        f.b0 = f.b1 = f.b2 = f.a1 = f.a2 = 42.0;
        f.Prepare(row.kind, row.corner, row.gain, row.rate);
        const ShelfFilter fresh = Designed(row.kind, row.corner, row.gain, row.rate);
        if (row.redesign) {
            EXPECT_EQ(f.b0, fresh.b0) << row.change;
            EXPECT_EQ(f.b1, fresh.b1) << row.change;
            EXPECT_EQ(f.b2, fresh.b2) << row.change;
            EXPECT_EQ(f.a1, fresh.a1) << row.change;
            EXPECT_EQ(f.a2, fresh.a2) << row.change;
        } else {
            EXPECT_EQ(f.b0, 42.0) << row.change;
            EXPECT_EQ(f.a2, 42.0) << row.change;
        }
        EXPECT_EQ(f.designKind, row.kind) << row.change;
        EXPECT_EQ(f.designCorner, row.corner) << row.change;
        EXPECT_EQ(f.designGain, row.gain) << row.change;
        EXPECT_EQ(f.designRate, row.rate) << row.change;
        EXPECT_EQ(f.x1, x1) << row.change;
        EXPECT_EQ(f.y1, y1) << row.change;
    }
}

}  // namespace
}  // namespace lumbrook
