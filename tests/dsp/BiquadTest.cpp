#include "dsp/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>

namespace plenum {
namespace {

constexpr double kTrueDegPerRad = 180.0 / 3.14159265358979323846;

double CascadeDb(int slope, bool lowPass, double f, double at) {
    const XoverCascade cascade = XoverSlopeStages(slope);
    double db = 0;
    for (int i = 0; i < cascade.count; ++i)
        db += SectionMagnitudeDb(DesignXoverSection(cascade.stages[i].order, lowPass, f, cascade.stages[i].q), at);
    return db;
}

TEST(Designs, ZeroGainBellsAndShelvesAreIdentity) {
    for (const PeqType type : {PeqType::Bell, PeqType::HighShelf1, PeqType::HighShelf2, PeqType::HighShelfQ,
                               PeqType::LowShelf1, PeqType::LowShelf2, PeqType::LowShelfQ}) {
        const auto c = DesignPeq({1234.0, 0.0, 2.0, static_cast<std::int16_t>(type), 0});
        ASSERT_TRUE(c.has_value());
        EXPECT_TRUE(c->isIdentity()) << PeqTypeLabel(type);
        for (const double f : {20.0, 1000.0, 19000.0}) {
            EXPECT_EQ(SectionMagnitudeDb(*c, f), 0.0);
            EXPECT_EQ(SectionPhaseDeg(*c, f), 0.0);
        }
    }
}

TEST(Designs, BellQCorrectionFollowsGain) {
    EXPECT_DOUBLE_EQ(BellQFactor(3.0), 1.9799);
    EXPECT_DOUBLE_EQ(BellQFactor(-3.0), 1.9799);
    EXPECT_DOUBLE_EQ(BellQFactor(0.5), 1.9799);  // the cubic rises below 3 dB: capped
    EXPECT_NEAR(BellQFactor(12.0), 1.0253, 5e-5);
    EXPECT_NEAR(BellQFactor(-12.0), 1.0253, 5e-5);
    EXPECT_NEAR(BellQFactor(6.0), 1.4, 0.01);
    EXPECT_NEAR(BellQFactor(9.0), 1.11, 0.005);
    EXPECT_NEAR(BellQFactor(15.0), 0.997, 0.001);
}

TEST(Designs, BellPeaksAtItsGain) {
    for (const double gain : {-15.0, -6.0, 3.0, 12.0}) {
        const auto c = DesignBell(1000.0, 1.25, gain);
        EXPECT_NEAR(SectionMagnitudeDb(c, 1000.0), gain, 1e-9) << gain;
        EXPECT_NEAR(SectionMagnitudeDb(c, 20.0), 0.0, 0.05) << gain;
    }
}

TEST(Designs, ShelfRateIsNominalUpToSixDb) {
    for (int kind = 0; kind < 4; ++kind)
        for (const double gain : {-6.0, -3.0, 0.5, 6.0}) EXPECT_EQ(ShelfRate(kind, gain, 9000.0), 48000.0);
    // And the shelf is then designed at 48 kHz: it reaches its gain at high frequencies.
    EXPECT_NEAR(SectionMagnitudeDb(DesignShelf(PeqType::HighShelf1, 1000.0, 1.0, 6.0), 19000.0), 6.0, 0.05);
}

TEST(Designs, ShelfRateHitsTheTableNodesAtTwoKilohertz) {
    EXPECT_NEAR(ShelfRate(0, 15.0, 2000.0), 117000.0, 1e-6);
    EXPECT_NEAR(ShelfRate(0, 12.0, 2000.0), 98000.0, 1e-6);
    EXPECT_NEAR(ShelfRate(0, 9.0, 2000.0), 76500.0, 1e-6);
    EXPECT_NEAR(ShelfRate(0, -15.0, 2000.0), 112000.0, 1e-6);
    EXPECT_NEAR(ShelfRate(3, -9.0, 2000.0), 41850.0, 1e-6);
    // Below 2 kHz the rate of 2 kHz is used.
    EXPECT_EQ(ShelfRate(0, 15.0, 500.0), ShelfRate(0, 15.0, 2000.0));
    EXPECT_EQ(ShelfRate(2, -10.0, 20.0), ShelfRate(2, -10.0, 2000.0));
    // Gains beyond 15 dB extrapolate the cubic rather than stopping.
    EXPECT_NE(ShelfRate(0, 16.0, 2000.0), ShelfRate(0, 15.0, 2000.0));
}

TEST(Designs, CrossoverSlopesHaveTheirSections) {
    EXPECT_EQ(XoverSlopeStages(0).count, 0);
    EXPECT_EQ(XoverSlopeStages(13).count, 0);  // "---": FIR stop-band entries have no sections
    EXPECT_EQ(XoverSlopeStages(-1).count, 0);
    EXPECT_EQ(XoverSlopeStages(9).stages[1].q, 0.7);
    EXPECT_EQ(XoverSlopeStages(11).stages[3].q, 2.583);
    EXPECT_EQ(XoverSlopeStages(8).stages[0].q, 0.54);
    EXPECT_EQ(XoverSlopeLabel(12), "-48dB/oct LR");
    EXPECT_EQ(XoverSlopeLabel(21), "<-75dB NXF");
    EXPECT_EQ(XoverSlopeLabel(22), "");
    const XoverCascade lr12 = XoverSlopeStages(3);
    ASSERT_EQ(lr12.count, 2);
    EXPECT_EQ(lr12.stages[0].order, 1);
    EXPECT_EQ(lr12.stages[1].order, 1);
}

TEST(Designs, CrossoverSlopesMeasureTheirOrder) {
    // Linkwitz-Riley slopes are -6 dB at the crossover frequency, Butterworth -3 dB.
    EXPECT_NEAR(CascadeDb(7, true, 1000.0, 1000.0), -6.02, 0.005);
    EXPECT_NEAR(CascadeDb(7, false, 1000.0, 1000.0), -6.02, 0.005);
    EXPECT_NEAR(CascadeDb(3, true, 1000.0, 1000.0), -6.02, 0.005);
    EXPECT_NEAR(CascadeDb(2, true, 1000.0, 1000.0), -3.01, 0.005);
    // Two octaves into the stop band (analogue asymptote; the bilinear map steepens the low pass).
    const struct {
        int slope;
        double dbPerOctave;
    } rows[] = {{1, 6}, {2, 12}, {5, 18}, {6, 24}, {9, 36}, {11, 48}, {12, 48}};
    for (const auto& row : rows) {
        const double atFour = CascadeDb(row.slope, false, 1000.0, 250.0);
        const double atEight = CascadeDb(row.slope, false, 1000.0, 125.0);
        EXPECT_NEAR(atFour - atEight, row.dbPerOctave, 0.6) << XoverSlopeLabel(row.slope);
    }
}

TEST(Designs, BandPassNotchAndAllPass) {
    // The band pass with gain: about its gain at f, falling away on either side.
    const auto bp = DesignBandFilter(PeqType::BandPass, 1000.0, 2.0, 6.0);
    EXPECT_NEAR(SectionMagnitudeDb(bp, 1000.0), 6.0, 0.05);
    EXPECT_LT(SectionMagnitudeDb(bp, 100.0), -10.0);
    const auto notch = DesignBandFilter(PeqType::Notch, 1000.0, 4.0, 12.0);  // gain unused
    EXPECT_EQ(notch, DesignBandFilter(PeqType::Notch, 1000.0, 4.0, -3.0));
    EXPECT_LT(SectionMagnitudeDb(notch, 1000.0), -100.0);
    EXPECT_NEAR(SectionMagnitudeDb(notch, 20.0), 0.0, 1e-3);

    const auto ap1 = DesignAllPass(1, 700.0, 1.0);
    const auto ap2 = DesignAllPass(2, 1000.0, 0.7);
    for (const double f : {30.0, 700.0, 1000.0, 15000.0}) {
        EXPECT_NEAR(SectionMagnitudeDb(ap1, f), 0.0, 1e-9);
        EXPECT_NEAR(SectionMagnitudeDb(ap2, f), 0.0, 1e-9);
    }
    EXPECT_NEAR(SectionPhaseDeg(ap1, 700.0), -90.0 * kSectionDegPerRad / kTrueDegPerRad, 1e-9);
    // The AP-2 phase passes through -180 degrees at f: just below f it is near -180, just above
    // near +180 (the same angle after the wrap of the arctangent).
    EXPECT_NEAR(SectionPhaseDeg(ap2, 999.0), -180.0, 0.2);
    EXPECT_NEAR(SectionPhaseDeg(ap2, 1001.0), 180.0, 0.2);
}

TEST(Designs, PeqDispatch) {
    EXPECT_FALSE(DesignPeq({1000, 3, 1, 17, 0}).has_value());  // "Ext"
    EXPECT_FALSE(DesignPeq({1000, 3, 1, 18, 0}).has_value());
    EXPECT_FALSE(DesignPeq({1000, 3, 1, -1, 0}).has_value());
    // LP-2 / HP-2 ignore the band's Q; LP-Q / HP-Q use it.
    EXPECT_EQ(*DesignPeq({1000, 0, 5.0, 8, 0}), DesignXoverSection(2, true, 1000, 0.707));
    EXPECT_EQ(*DesignPeq({1000, 0, 5.0, 12, 0}), DesignXoverSection(2, false, 1000, 5.0));
    EXPECT_EQ(*DesignPeq({1000, 0, 5.0, 15, 0}), DesignAllPass(1, 1000, 5.0));
    EXPECT_EQ(PeqTypeLabel(PeqType::Notch), "Notch");
    EXPECT_EQ(PeqTypeLabel(PeqType::AllPass2), "AP-2");
    // Q = 0 divides by zero: the design is not finite.
    EXPECT_FALSE(DesignBell(1000, 0.0, 6.0).isFinite());
    EXPECT_TRUE(DesignBell(1000, 1.0, 6.0).isFinite());
}

struct AtanRow {
    double y, x, expected;
};

TEST(Evaluation, Atan2PhaseQuadrantsAndAxes) {
    const AtanRow rows[] = {
        {0.0, 0.0, 0.0},          {-0.0, -0.0, 0.0},       {1.0, 0.0, kPi / 2},
        {-1.0, 0.0, -kPi / 2},    {0.0, -1.0, kPi},        {-0.0, -1.0, kPi},
        {1.0, 1.0, kPi / 4},      {1.0, -1.0, 3 * kPi / 4}, {-1.0, -1.0, -3 * kPi / 4},
        {-1.0, 1.0, -kPi / 4},    {0.0, 2.0, 0.0},
    };
    for (const auto& row : rows)
        EXPECT_NEAR(Atan2Phase(row.y, row.x), row.expected, 1e-15) << row.y << ", " << row.x;
}

TEST(Evaluation, Log10SafeAndNonPositiveTerms) {
    EXPECT_EQ(Log10Safe(0.0), -200.0);
    EXPECT_EQ(Log10Safe(-1.0), -200.0);
    EXPECT_DOUBLE_EQ(Log10Safe(100.0), 2.0);
    // All-zero numerator: N = 0 contributes -2000 dB (D = 1/4 everywhere for this section).
    const BiquadCoefficients silent{0, 0, 0, 0, 0};
    EXPECT_DOUBLE_EQ(SectionMagnitudeDb(silent, 1000.0), -2000.0 - 10 * std::log10(0.25));
    const BiquadCoefficients pole{1.0, 0.0, 1.0, 0.0, 0.0};  // 1 / (1 - z^-1): D = 0 at 0 Hz only
    EXPECT_GT(SectionMagnitudeDb(pole, 1e-12), 100.0);
}

TEST(Evaluation, PhaseUsesTheFirmwareDegreeFactor) {
    const auto hp = DesignXoverSection(1, false, 1000.0, 0.0);
    const double radians = SectionPhaseRad(hp, 1000.0);
    EXPECT_NEAR(SectionPhaseDeg(hp, 1000.0), radians * kSectionDegPerRad, 1e-5);
    EXPECT_NEAR(SectionPhaseDeg(hp, 1000.0), 45.0 * kSectionDegPerRad / kTrueDegPerRad, 1e-9);
    EXPECT_EQ(SampleRate(), 48000.0);
}

TEST(PhaseWrap, StepsAndEdges) {
    PhaseWrapState state;
    EXPECT_EQ(PhaseWrapStep(state, 500.0, true), 500.0);  // reset returns the raw value
    EXPECT_EQ(PhaseWrapStep(state, 520.0, false), 520.0 - 360.0);
    state = {};
    EXPECT_EQ(PhaseWrapStep(state, 170.0, true), 170.0);
    EXPECT_EQ(PhaseWrapStep(state, 180.0, false), 179.0);  // exact +180 -> 179
    EXPECT_EQ(PhaseWrapStep(state, 200.0, false), 199.0 - 360.0);
    state = {};
    PhaseWrapStep(state, -170.0, true);
    EXPECT_EQ(PhaseWrapStep(state, -180.0, false), -179.0);  // exact -180 -> -179
    // The nudged value is what the next step continues from: the curve stays one degree off.
    state = {};
    PhaseWrapStep(state, -170.0, true);
    EXPECT_EQ(PhaseWrapStep(state, -180.0, false), -179.0);
    EXPECT_EQ(PhaseWrapStep(state, -190.0, false), -189.0 + 360.0);
    // A steadily falling phase stays in range.
    state = {};
    PhaseWrapStep(state, 0.0, true);
    for (int i = 1; i <= 100; ++i) {
        const double out = PhaseWrapStep(state, -7.3 * i, false);
        EXPECT_GE(out, -180.0);
        EXPECT_LE(out, 180.0);
    }
}

}  // namespace
}  // namespace plenum
