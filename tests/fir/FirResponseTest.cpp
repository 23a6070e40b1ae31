// The 16384-point response of a coefficient set: its grid, against a direct DFT, group delay of
// known filters, and refusals.
#include "fir/FirResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/FrequencyGrid.h"
#include "dsp/MeasureGrid.h"
#include "fir/FirDesign.h"

namespace plenum {
namespace {

TEST(FirResponse, FrequenciesAreTheTransformBinsAndTheDisplayGridComesFirst) {
    const FirResponse response;
    const FrequencyGrid grid;
    ASSERT_EQ(response.frequencies().size(), 8193u);
    for (int k = 0; k < FrequencyGrid::kPointCount; ++k)
        ASSERT_EQ(response.frequencies()[static_cast<std::size_t>(k)], grid.frequency(k)) << k;
    EXPECT_EQ(response.frequencies().back(), 24000.0);
}

TEST(FirResponse, MatchesADirectDft) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> taps(37);
    for (double& t : taps) t = uniform(rng);
    FirResponse response;
    ASSERT_EQ(response.Compute(taps), 0);
    for (const int k : {0, 1, 17, 683, 4096, 6826, 8191, 8192}) {
        std::complex<double> h;
        for (std::size_t n = 0; n < taps.size(); ++n)
            h += taps[n] * std::polar(1.0, -2.0 * std::numbers::pi * k * static_cast<double>(n) / 16384.0);
        const auto i = static_cast<std::size_t>(k);
        EXPECT_NEAR(response.magnitude()[i], std::abs(h), 1e-12) << k;
        EXPECT_NEAR(response.magnitudeDb()[i], 20.0 * std::log10(std::abs(h)), 1e-10) << k;
        EXPECT_NEAR(WrapPhaseDeg(response.phaseDeg()[i] - std::arg(h) * 180.0 / std::numbers::pi), 0.0, 1e-9) << k;
        EXPECT_GT(response.phaseDeg()[i], -180.0);
        EXPECT_LE(response.phaseDeg()[i], 180.0);
        // Group delay against the derivative of the phase by central difference.
        if (k > 0 && k < 8192) {
            const auto at = [&](double bin) {
                std::complex<double> x;
                for (std::size_t n = 0; n < taps.size(); ++n)
                    x += taps[n] * std::polar(1.0, -2.0 * std::numbers::pi * bin * static_cast<double>(n) / 16384.0);
                return std::arg(x);
            };
            const double step = 1e-3;
            const double dPhase = WrapPhaseDeg((at(k + step) - at(k - step)) * 180.0 / std::numbers::pi);
            const double samples = -dPhase * std::numbers::pi / 180.0 / (2.0 * std::numbers::pi * 2.0 * step / 16384.0);
            EXPECT_NEAR(response.groupDelayMs()[i], samples / 48.0, 1e-6) << k;
        }
    }
}

TEST(FirResponse, GroupDelayOfADelayAndOfALinearPhaseFilter) {
    FirResponse response;
    std::vector<double> delay(64, 0.0);
    delay[10] = 1.0;
    ASSERT_EQ(response.Compute(delay), 0);
    for (const double gd : response.groupDelayMs()) ASSERT_NEAR(gd, 10.0 / 48.0, 1e-12);

    FirDesignRequest request;
    request.window = FirWindow::Hamming;
    request.taps = 511;
    request.frequencyHz = 5000.0;
    FirDesign design;
    ASSERT_EQ(DesignFir(request, design), FirDesignResult::Ok);
    ASSERT_EQ(response.Compute(design.coefficients), 0);
    for (std::size_t k = 0; k < 1500; ++k)  // the pass band up to 4.4 kHz
        ASSERT_NEAR(response.groupDelayMs()[k], 255.0 / 48.0, 1e-9) << k;
    EXPECT_NEAR(response.magnitudeDb()[100], 0.0, 0.01);
}

TEST(FirResponse, SilenceHasTheFloorAndNoNumbersThatAreNotFinite) {
    FirResponse response;
    ASSERT_EQ(response.Compute(std::vector<double>(16, 0.0)), 0);
    for (std::size_t k = 0; k < response.magnitudeDb().size(); ++k) {
        ASSERT_EQ(response.magnitudeDb()[k], kMagnitudeFloorDb);
        ASSERT_EQ(response.groupDelayMs()[k], 0.0);
        ASSERT_TRUE(std::isfinite(response.phaseDeg()[k]));
    }
    // A high-pass's 0 Hz bin is (numerically) zero: its delay repeats the next bin's.
    FirDesignRequest request;
    request.highPass = true;
    request.taps = 255;
    FirDesign design;
    ASSERT_EQ(DesignFir(request, design), FirDesignResult::Ok);
    ASSERT_EQ(response.Compute(design.coefficients), 0);
    for (const double gd : response.groupDelayMs()) ASSERT_TRUE(std::isfinite(gd));
}

TEST(FirResponse, RefusedSetsLeaveTheArraysAlone) {
    FirResponse response;
    ASSERT_EQ(response.Compute(std::vector<double>{1.0}), 0);
    const std::vector<double> before(response.magnitudeDb().begin(), response.magnitudeDb().end());
    EXPECT_NE(response.Compute(std::vector<double>{}), 0);
    EXPECT_NE(response.Compute(std::vector<double>(16385, 0.1)), 0);
    EXPECT_NE(response.Compute(std::vector<double>{0.5, std::numeric_limits<double>::quiet_NaN()}), 0);
    EXPECT_NE(response.Compute(std::vector<double>{std::numeric_limits<double>::infinity()}), 0);
    EXPECT_EQ(std::vector<double>(response.magnitudeDb().begin(), response.magnitudeDb().end()), before);
    EXPECT_EQ(response.Compute(std::vector<double>(16384, 1e-3)), 0);
}

}  // namespace
}  // namespace plenum
