#include "dsp/Response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "dsp/GridEvaluation.h"

namespace plenum {
namespace {

constexpr auto kPoints = static_cast<std::size_t>(FrequencyGrid::kPointCount);

const FrequencyGrid& Grid() {
    static const FrequencyGrid grid;
    return grid;
}

struct Curve {
    std::vector<double> db = std::vector<double>(kPoints), deg = std::vector<double>(kPoints);
};

Curve Exact(const BiquadCoefficients& c, MagnitudeRule rule = MagnitudeRule::Evaluate) {
    Curve curve;
    EvaluateSectionOnGridExact(Grid(), c, rule, curve.db, curve.deg);
    return curve;
}

Curve Fast(const BiquadCoefficients& c, MagnitudeRule rule = MagnitudeRule::Evaluate,
           EvaluationPath path = EvaluationPath::Best) {
    Curve curve;
    EvaluateSectionOnGrid(Grid(), c, rule, curve.db, curve.deg, path);
    return curve;
}

void ExpectCurvesNear(std::span<const double> a, std::span<const double> b, double tolerance, const char* what) {
    ASSERT_EQ(a.size(), b.size());
    double worst = 0;
    std::size_t worstK = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::abs(a[k] - b[k]) > worst) worst = std::abs(a[k] - b[k]), worstK = k;
    EXPECT_LE(worst, tolerance) << what << " at k " << worstK << ": " << a[worstK] << " vs " << b[worstK];
}

TEST(Grid, PointsAndAxis) {
    const auto& grid = Grid();
    EXPECT_EQ(grid.frequencies().size(), 6827u);
    EXPECT_EQ(grid.frequency(0), 0.0);
    EXPECT_EQ(grid.frequency(6826), 19998.046875);
    EXPECT_EQ(grid.log(0), -10.0);
    EXPECT_DOUBLE_EQ(grid.log(6826), std::log10(19998.046875 / 20.0));
    EXPECT_EQ(grid.NearestPoint(1000.0), 341);      // 341.33 bins
    EXPECT_EQ(grid.NearestPoint(2.9296875 * 10.5), 11);  // half-way: the upper point
    EXPECT_EQ(grid.NearestPoint(-5.0), 0);
    EXPECT_EQ(grid.NearestPoint(1e9), 6826);
    EXPECT_EQ(grid.NearestPoint(std::nan("")), 0);
}

// The fast grid evaluation against the exact per-point formulas, for random sections of every
// type (fixed seed) and for sections with zeros on grid points.
TEST(GridEvaluation, FastPathMatchesExactFormulas) {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> logFrequency(std::log(20.0), std::log(20000.0));
    std::uniform_int_distribution<int> gainCode(0, 60), qCode(0, 255), typeCode(0, 16);
    std::vector<BiquadCoefficients> sections;
    for (int i = 0; i < 300; ++i) {
        const PeqBand band{std::exp(logFrequency(random)), gainCode(random) / 2.0 - 15.0, 0.1 + 0.05 * qCode(random),
                           static_cast<std::int16_t>(typeCode(random)), 0};
        sections.push_back(*DesignPeq(band));
    }
    for (int slope = 1; slope <= 12; ++slope)
        for (int i = 0; i < XoverSlopeStages(slope).count; ++i)
            sections.push_back(DesignXoverSection(XoverSlopeStages(slope).stages[i].order, slope % 2 == 0, 20.0 * slope,
                                                  XoverSlopeStages(slope).stages[i].q));
    // Zeros of the response on or next to grid points, and a section whose N is exactly zero.
    sections.push_back(DesignBandFilter(PeqType::Notch, Grid().frequency(1000), 8.0, 0.0));
    sections.push_back(DesignBandFilter(PeqType::Notch, Grid().frequency(3), 0.1, 0.0));
    sections.push_back(DesignXoverSection(2, true, 23999.0, 0.707));
    sections.push_back(DesignXoverSection(2, false, 1.0, 0.707));
    sections.push_back({0, 0, 0, 0, 0});
    sections.push_back({0.5, 0.25, 1e90, -1e90, 3.0});
    for (const auto& c : sections) {
        const Curve exact = Exact(c);
        for (const auto path : {EvaluationPath::Best, EvaluationPath::Baseline}) {
            const Curve fast = Fast(c, MagnitudeRule::Evaluate, path);
            ExpectCurvesNear(fast.db, exact.db, 1e-9, "magnitude");
            ExpectCurvesNear(fast.deg, exact.deg, 1e-9, "phase");
        }
    }
}

TEST(GridEvaluation, ComplexReferenceAgreesAwayFromZeros) {
    const auto c = DesignBell(1000.0, 2.0, 9.0);
    Curve reference;
    EvaluateSectionOnGridComplex(Grid(), c, MagnitudeRule::Evaluate, reference.db, reference.deg);
    const Curve fast = Fast(c);
    ExpectCurvesNear(fast.db, reference.db, 1e-9, "magnitude");
    ExpectCurvesNear(fast.deg, reference.deg, 1e-6, "phase");
}

TEST(GridEvaluation, ZeroHertzAndAllPassRules) {
    const Curve bell = Fast(DesignBell(20.0, 0.5, 15.0));
    EXPECT_EQ(bell.db[0], 0.0);
    EXPECT_EQ(bell.deg[0], 0.0);
    const Curve ap = Fast(DesignAllPass(2, 1000.0, 0.7), MagnitudeRule::Flat);
    for (std::size_t k = 0; k < kPoints; ++k) ASSERT_EQ(ap.db[k], 0.0);
    EXPECT_NE(ap.deg[341], 0.0);
}

PeqBand Band(PeqType type, double f, double gain, double q = 1.0, bool bypass = false) {
    return {f, gain, q, static_cast<std::int16_t>(type), static_cast<std::int16_t>(bypass ? 1 : 0)};
}

// The channel sums recomputed from scratch with the exact formulas.
std::vector<double> ExactChannelSum(const DeviceResponse& r, int channel, bool phase) {
    std::vector<double> sum(kPoints, 0.0);
    for (const int slot : r.layout().channels[static_cast<std::size_t>(channel)]) {
        const auto curve = phase ? r.slotPhaseDeg(slot) : r.slotMagnitudeDb(slot);
        for (std::size_t k = 0; k < kPoints; ++k) sum[k] += curve[k];
    }
    return sum;
}

TEST(DeviceResponse, SlotRules) {
    DeviceResponse r(Grid(), SubwooferLayout());
    EXPECT_EQ(r.SetPeqBand(0, Band(PeqType::Bell, 100, 6, 2)), SlotResult::Updated);
    EXPECT_FALSE(r.slotIsFlat(0));
    ExpectCurvesNear(r.slotMagnitudeDb(0), Exact(DesignBell(100, 2, 6)).db, 1e-9, "bell");

    r.SetPeqBand(0, Band(PeqType::Bell, 100, 6, 2, /*bypass=*/true));
    EXPECT_TRUE(r.slotIsFlat(0));
    r.SetPeqBand(1, Band(PeqType::Ext, 100, 6));
    EXPECT_TRUE(r.slotIsFlat(1));
    r.SetPeqBand(2, Band(PeqType::HighShelf1, 100, 0));  // 0 dB: identity, flat
    EXPECT_TRUE(r.slotIsFlat(2));

    r.SetPeqBand(3, Band(PeqType::AllPass1, 500, 6));
    for (const double v : r.slotMagnitudeDb(3)) ASSERT_EQ(v, 0.0);
    EXPECT_LT(r.slotPhaseDeg(3)[200], -1.0);

    // Division by zero (Q = 0), an unknown type and a NaN frequency keep the previous curve.
    r.SetPeqBand(4, Band(PeqType::Bell, 1000, -9, 1.5));
    const std::vector<double> before(r.slotMagnitudeDb(4).begin(), r.slotMagnitudeDb(4).end());
    const std::vector<double> sumBefore(r.summedMagnitudeDb(0).begin(), r.summedMagnitudeDb(0).end());
    EXPECT_EQ(r.SetPeqBand(4, Band(PeqType::Bell, 1000, -9, 0.0)), SlotResult::Kept);
    EXPECT_EQ(r.SetPeqBand(4, {1000, -9, 1, 42, 0}), SlotResult::Kept);
    EXPECT_EQ(r.SetPeqBand(4, Band(PeqType::Bell, std::nan(""), -9)), SlotResult::Kept);
    ExpectCurvesNear(r.slotMagnitudeDb(4), before, 0.0, "kept curve");
    ExpectCurvesNear(r.summedMagnitudeDb(0), sumBefore, 0.0, "kept sum");
}

TEST(DeviceResponse, CrossoverSlots) {
    using namespace sub_slots;
    DeviceResponse r(Grid(), SubwooferLayout());
    EXPECT_EQ(r.SetCrossover(kOutputLowPass, 12, true, 100.0), SlotResult::Updated);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(r.slotIsFlat(kOutputLowPass + i));
    // "-48dB/oct LR" repeats its sections: equal curves.
    ExpectCurvesNear(r.slotPhaseDeg(kOutputLowPass), r.slotPhaseDeg(kOutputLowPass + 1), 0.0, "LR repeat");
    // A shorter slope leaves the remaining slots flat.
    r.SetCrossover(kOutputLowPass, 2, true, 100.0);
    EXPECT_FALSE(r.slotIsFlat(kOutputLowPass));
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(r.slotIsFlat(kOutputLowPass + i));
    ExpectCurvesNear(r.slotMagnitudeDb(kOutputLowPass), Exact(DesignXoverSection(2, true, 100, 0.707)).db, 1e-9, "LP");
    // Bypass and the FIR stop-band entries have no IIR sections.
    for (const int slope : {0, 13, 21, 99}) {
        r.SetCrossover(kOutputLowPass, slope, true, 100.0);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(r.slotIsFlat(kOutputLowPass + i)) << slope;
    }
    // A failed design changes none of the slots.
    r.SetCrossover(kOutputHighPass, 7, false, 40.0);
    EXPECT_EQ(r.SetCrossover(kOutputHighPass, 12, false, std::nan("")), SlotResult::Kept);
    EXPECT_FALSE(r.slotIsFlat(kOutputHighPass + 1));
    EXPECT_TRUE(r.slotIsFlat(kOutputHighPass + 2));
}

TEST(DeviceResponse, SumsFollowIncrementalUpdates) {
    using namespace sat_slots;
    DeviceResponse r(Grid(), SatelliteLayout());
    ASSERT_EQ(r.channelCount(), 2);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> f(30, 15000), gain(-15, 15);
    for (int i = 0; i < 200; ++i) {
        const int slot = static_cast<int>(random() % kCount);
        if (slot >= kInputXover && slot < kWayBase) continue;
        r.SetPeqBand(slot, Band(static_cast<PeqType>(random() % 17), f(random), std::round(gain(random) * 2) / 2, 1.2));
    }
    r.SetCrossover(kInputXover, 11, false, 35.0);
    r.SetCrossover(OutputLowPass(0), 12, true, 1500.0);
    r.SetCrossover(OutputHighPass(1), 12, false, 1500.0);
    for (int ch = 0; ch < 2; ++ch) {
        ExpectCurvesNear(r.summedMagnitudeDb(ch), ExactChannelSum(r, ch, false), 1e-9, "magnitude sum");
        ExpectCurvesNear(r.summedPhaseDeg(ch), ExactChannelSum(r, ch, true), 1e-9, "phase sum");
    }
    // An output band of way 0 changes channel 0 only; an input band changes both.
    const std::vector<double> way1(r.summedMagnitudeDb(1).begin(), r.summedMagnitudeDb(1).end());
    r.SetPeqBand(OutputBand(0, 3), Band(PeqType::Bell, 3000, 12, 1));
    ExpectCurvesNear(r.summedMagnitudeDb(1), way1, 0.0, "other way");
    const std::vector<double> way0(r.summedMagnitudeDb(0).begin(), r.summedMagnitudeDb(0).end());
    const std::vector<double> oldSlot(r.slotMagnitudeDb(InputBand(10)).begin(), r.slotMagnitudeDb(InputBand(10)).end());
    r.SetPeqBand(InputBand(10), Band(PeqType::Bell, 3000, -12, 1));
    for (const std::size_t k : {100u, 1024u, 5000u}) {
        const double change = r.slotMagnitudeDb(InputBand(10))[k] - oldSlot[k];
        EXPECT_NEAR(r.summedMagnitudeDb(0)[k] - way0[k], change, 1e-9);
        EXPECT_NEAR(r.summedMagnitudeDb(1)[k] - way1[k], change, 1e-9);
    }
    const std::vector<double> incremental(r.summedPhaseDeg(0).begin(), r.summedPhaseDeg(0).end());
    r.Resum();
    ExpectCurvesNear(r.summedPhaseDeg(0), incremental, 1e-9, "resum");
}

TEST(DeviceResponse, DrawnPhaseAppliesPolarityAndWrap) {
    DeviceResponse r(Grid(), SubwooferLayout());
    r.SetCrossover(sub_slots::kOutputLowPass, 12, true, 200.0);
    std::vector<double> drawn(kPoints);
    r.DrawnPhaseDeg(0, drawn);
    for (const double v : drawn) ASSERT_TRUE(v >= -180.0 && v <= 180.0);
    EXPECT_EQ(drawn[0], 0.0);
    r.SetPolarityInverted(0, true);
    std::vector<double> inverted(kPoints);
    r.DrawnPhaseDeg(0, inverted);
    EXPECT_EQ(inverted[0], -180.0);  // the reset point returns the raw value
    PhaseWrapState state;
    for (std::size_t k = 0; k < kPoints; ++k)
        ASSERT_EQ(inverted[k], PhaseWrapStep(state, r.summedPhaseDeg(0)[k] - 180.0, k == 0));
}

TEST(ResponseStore, CreatesDevicesOnDemand) {
    ResponseStore store(Grid());
    EXPECT_EQ(store.openCount(), 0);
    EXPECT_EQ(store.Find(3), nullptr);
    DeviceResponse& sat = store.Open(3, SatelliteLayout());
    sat.SetPeqBand(0, Band(PeqType::Bell, 1000, 3));
    EXPECT_EQ(&store.Open(3, SatelliteLayout()), &sat);  // same layout: the same curves
    EXPECT_FALSE(store.Find(3)->slotIsFlat(0));
    DeviceResponse& sub = store.Open(3, SubwooferLayout());  // the slot now holds a subwoofer
    EXPECT_TRUE(sub.slotIsFlat(0));
    store.Open(24, SubwooferLayout());
    EXPECT_EQ(store.openCount(), 2);
    store.Close(3);
    EXPECT_EQ(store.Find(3), nullptr);
    EXPECT_EQ(store.openCount(), 1);
    EXPECT_THROW(store.Open(25, SubwooferLayout()), std::out_of_range);
    EXPECT_EQ(store.Find(-1), nullptr);
}

TEST(Layouts, SlotNumbers) {
    EXPECT_EQ(sat_slots::kCount, 87);
    EXPECT_EQ(sat_slots::OutputLowPass(1), 83);
    EXPECT_EQ(SatelliteLayout().channels[0].size(), 51u + 4 + 8 + 8);
    EXPECT_EQ(sub_slots::kCount, 25);
    EXPECT_EQ(SubwooferLayout().channels.size(), 1u);
}

}  // namespace
}  // namespace plenum
