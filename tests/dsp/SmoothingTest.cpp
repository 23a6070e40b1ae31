// Fractional-octave smoothing against a direct average over each bin's band, the width entry,
// the band edges and refusals.
#include "dsp/Smoothing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dsp/MeasureGrid.h"

namespace plenum {
namespace {

constexpr auto kBins = static_cast<std::size_t>(measure_grid::kBinCount);

TEST(SmoothingWidth, AcceptsTheFiveWidthsOnly) {
    struct Row {
        const char* text;
        std::optional<double> octaves;
    };
    const std::vector<Row> rows{
        {"1/6", 1.0 / 6}, {"1/5", 1.0 / 5}, {"1/4", 1.0 / 4},   {"1/3", 1.0 / 3},   {"1/2", 1.0 / 2},
        {" 1/3 ", 1.0 / 3}, {"1/7", {}},    {"1/1", {}},        {"0.1667", {}},     {"", {}},
        {"1/6x", {}},       {"abc", {}},    {"1 / 6", {}},      {"2/12", {}},
    };
    for (const Row& row : rows) EXPECT_EQ(ParseSmoothingWidth(row.text), row.octaves) << '"' << row.text << '"';
    EXPECT_EQ(kSmoothingWidthRefused.en, "Admited value: 1/6, 1/5, 1/4, 1/3, 1/2");
    EXPECT_EQ(ParseSmoothingWidth(kDefaultSmoothingWidthText), 1.0 / 6);
}

// The direct way: for each bin in the band, the power and the unwrapped phase averaged over every
// bin between f 2^(-w/2) and f 2^(w/2), band edges computed with pow and division.
void DirectSmoothing(const std::vector<double>& mag, const std::vector<double>& phase, double width,
                     std::vector<double>& magOut, std::vector<double>& phaseOut) {
    std::vector<double> unwrapped(phase.size());
    UnwrapPhaseDeg(unwrapped, phase);
    magOut = mag;
    phaseOut = phase;
    const double df = 48000.0 / 65536.0;
    for (std::size_t k = 0; k < kBins; ++k) {
        const double f = static_cast<double>(k) * df;
        if (f < 20.0 || f > 20000.0) continue;
        const double low = f / std::pow(2.0, width / 2), high = f * std::pow(2.0, width / 2);
        double power = 0.0, sum = 0.0;
        int count = 0;
        for (std::size_t j = 0; j < kBins; ++j) {
            const double fj = static_cast<double>(j) * df;
            if (fj < low * (1 - 1e-12) || fj > high * (1 + 1e-12)) continue;
            power += mag[j] * mag[j];
            sum += unwrapped[j];
            ++count;
        }
        magOut[k] = std::sqrt(power / count);
        phaseOut[k] = sum / count - (unwrapped[k] - phase[k]);
    }
}

struct Measured {
    std::vector<double> mag = std::vector<double>(kBins), phase = std::vector<double>(kBins);
};

// A bumpy response with a delay: magnitude 0.5..1.5 with noise, phase wrapped.
Measured BumpyResponse(unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-0.3, 0.3);
    Measured m;
    for (std::size_t k = 0; k < kBins; ++k) {
        const double x = static_cast<double>(k);
        m.mag[k] = 1.0 + 0.4 * std::sin(x / 300.0) + noise(rng);
        m.phase[k] = WrapPhaseDeg(-0.35 * x + 40.0 * noise(rng));
    }
    return m;
}

class SmoothingWidths : public testing::TestWithParam<const char*> {};

TEST_P(SmoothingWidths, MatchesTheDirectAverage) {
    const double width = *ParseSmoothingWidth(GetParam());
    const Measured in = BumpyResponse(5);
    std::vector<double> mag(kBins), phase(kBins), directMag, directPhase;
    ASSERT_EQ(SmoothFractionalOctave(in.mag, in.phase, mag, phase, width), kSmoothOk);
    DirectSmoothing(in.mag, in.phase, width, directMag, directPhase);
    double worstMag = 0.0, worstPhase = 0.0;
    for (std::size_t k = 0; k < kBins; ++k) {
        worstMag = std::max(worstMag, std::abs(mag[k] - directMag[k]));
        worstPhase = std::max(worstPhase, std::abs(phase[k] - directPhase[k]));
    }
    EXPECT_LT(worstMag, 1e-9);
    EXPECT_LT(worstPhase, 1e-6);  // running sums of an unwrapped phase that reaches -11000 degrees
}

INSTANTIATE_TEST_SUITE_P(AllWidths, SmoothingWidths, testing::Values("1/6", "1/5", "1/4", "1/3", "1/2"));

TEST(Smoothing, LeavesBinsOutsideTheBandAlone) {
    const Measured in = BumpyResponse(9);
    std::vector<double> mag(kBins), phase(kBins);
    ASSERT_EQ(SmoothFractionalOctave(in.mag, in.phase, mag, phase, 1.0 / 3), kSmoothOk);
    const auto firstInBand = static_cast<std::size_t>(std::ceil(20.0 / (48000.0 / 65536.0)));
    const auto lastInBand = static_cast<std::size_t>(std::floor(20000.0 / (48000.0 / 65536.0)));
    for (std::size_t k = 0; k < kBins; ++k) {
        if (k >= firstInBand && k <= lastInBand) continue;
        ASSERT_EQ(mag[k], in.mag[k]) << k;
        ASSERT_EQ(phase[k], in.phase[k]) << k;
    }
    EXPECT_NE(mag[firstInBand], in.mag[firstInBand]);
    EXPECT_NE(mag[lastInBand], in.mag[lastInBand]);
}

TEST(Smoothing, FlatStaysFlatAndANotchIsAveragedAsPower) {
    std::vector<double> mag(kBins, 2.0), phase(kBins, -30.0), outMag(kBins), outPhase(kBins);
    ASSERT_EQ(SmoothFractionalOctave(mag, phase, outMag, outPhase, 1.0 / 6), kSmoothOk);
    for (std::size_t k = 0; k < kBins; ++k) {
        ASSERT_NEAR(outMag[k], 2.0, 1e-12);
        ASSERT_NEAR(outPhase[k], -30.0, 1e-9);
    }
    // One bin at zero among ones at 10 kHz: 1/2 octave spans about 4800 bins, so the notch is
    // filled in to sqrt(1 - 1/count).
    mag.assign(kBins, 1.0);
    const std::size_t notch = 13653;  // 9999.8 Hz
    mag[notch] = 0.0;
    ASSERT_EQ(SmoothFractionalOctave(mag, phase, outMag, outPhase, 0.5), kSmoothOk);
    EXPECT_GT(outMag[notch], 0.9998);
    EXPECT_LT(outMag[notch], 1.0);
}

TEST(Smoothing, InPlaceGivesTheSameAsSeparateArrays) {
    const Measured in = BumpyResponse(13);
    std::vector<double> mag(kBins), phase(kBins);
    ASSERT_EQ(SmoothFractionalOctave(in.mag, in.phase, mag, phase, 0.25), kSmoothOk);
    Measured inPlace = in;
    ASSERT_EQ(SmoothFractionalOctave(inPlace.mag, inPlace.phase, inPlace.mag, inPlace.phase, 0.25), kSmoothOk);
    EXPECT_EQ(inPlace.mag, mag);
    EXPECT_EQ(inPlace.phase, phase);
}

TEST(Smoothing, WrappedAndUnwrappedInputAgreeOnceWrapped) {
    const Measured in = BumpyResponse(17);
    std::vector<double> continuous(kBins);
    UnwrapPhaseDeg(continuous, in.phase);
    std::vector<double> mag(kBins), fromWrapped(kBins), fromContinuous(kBins);
    ASSERT_EQ(SmoothFractionalOctave(in.mag, in.phase, mag, fromWrapped, 1.0 / 6), kSmoothOk);
    ASSERT_EQ(SmoothFractionalOctave(in.mag, continuous, mag, fromContinuous, 1.0 / 6), kSmoothOk);
    for (std::size_t k = 0; k < kBins; ++k) {
        const double a = WrapPhaseDeg(fromWrapped[k]), b = WrapPhaseDeg(fromContinuous[k]);
        ASSERT_NEAR(std::abs(WrapPhaseDeg(a - b)), 0.0, 1e-6) << k;
    }
}

TEST(Smoothing, RefusalsWriteNothing) {
    const Measured in = BumpyResponse(1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        std::size_t outSize;
        double width;
        SmoothingBand band;
        int status;
    };
    const std::vector<Row> rows{
        {"short output", kBins - 1, 1.0 / 6, {}, kSmoothBadSize},
        {"zero width", kBins, 0.0, {}, kSmoothBadSettings},
        {"negative width", kBins, -0.5, {}, kSmoothBadSettings},
        {"nan width", kBins, nan, {}, kSmoothBadSettings},
        {"five octaves", kBins, 5.0, {}, kSmoothBadSettings},
        {"band upside down", kBins, 0.5, {2000.0, 20.0, 48000, 65536}, kSmoothBadSettings},
        {"odd transform", kBins, 0.5, {20.0, 20000.0, 48000, 65535}, kSmoothBadSettings},
        {"other transform", kBins, 0.5, {20.0, 20000.0, 48000, 16384}, kSmoothBadSize},
    };
    for (const Row& row : rows) {
        std::vector<double> mag(row.outSize, 7.0), phase(row.outSize, 7.0);
        EXPECT_EQ(SmoothFractionalOctave(in.mag, in.phase, mag, phase, row.width, row.band), row.status) << row.name;
        for (std::size_t k = 0; k < row.outSize; ++k) ASSERT_TRUE(mag[k] == 7.0 && phase[k] == 7.0) << row.name;
    }
}

}  // namespace
}  // namespace plenum
