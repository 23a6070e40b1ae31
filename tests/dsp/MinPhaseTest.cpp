// The real-cepstrum minimum-phase construction on filters whose minimum-phase form is known.
// (Designed crossover filters are checked against scipy in the FIR tests.) The floor added to the
// power before the logarithm shifts the taps by a few 1e-8.
#include "dsp/MinPhase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace plenum {
namespace {

constexpr double kTolerance = 1e-7;

// h[n] = r^n for n < 64: its zeros lie on the circle of radius r, so for r < 1 it is minimum
// phase already, and its time reverse (zeros at 1/r) has it as minimum-phase form.
std::vector<double> Geometric(double r, std::size_t n) {
    std::vector<double> h(n);
    for (std::size_t i = 0; i < n; ++i) h[i] = std::pow(r, static_cast<double>(i));
    return h;
}

TEST(MinimumPhase, KeepsAFilterThatIsMinimumPhaseAlready) {
    for (const double r : {0.3, 0.5, -0.6}) {
        const auto h = Geometric(r, 64);
        const auto m = MinimumPhaseFir(h);
        ASSERT_EQ(m.size(), h.size());
        for (std::size_t i = 0; i < h.size(); ++i) EXPECT_NEAR(m[i], h[i], kTolerance) << r << " tap " << i;
    }
}

TEST(MinimumPhase, TurnsAMaximumPhaseFilterAround) {
    auto h = Geometric(0.5, 64);
    std::reverse(h.begin(), h.end());
    const auto m = MinimumPhaseFir(h);
    const auto expected = Geometric(0.5, 64);
    ASSERT_EQ(m.size(), expected.size());
    for (std::size_t i = 0; i < m.size(); ++i) EXPECT_NEAR(m[i], expected[i], kTolerance) << i;
}

TEST(MinimumPhase, SmallerTransformsWork) {
    const auto h = Geometric(0.5, 32);
    const auto m = MinimumPhaseFir(h, kMinimumPhaseDefaultFloorDb, 1024);
    ASSERT_EQ(m.size(), h.size());
    for (std::size_t i = 0; i < h.size(); ++i) EXPECT_NEAR(m[i], h[i], kTolerance) << i;
}

TEST(MinimumPhase, RefusesWhatItCannotBuild) {
    EXPECT_TRUE(MinimumPhaseFir(std::vector<double>{}).empty());
    EXPECT_TRUE(MinimumPhaseFir(std::vector<double>(64, 0.0)).empty());
    EXPECT_TRUE(MinimumPhaseFir(std::vector<double>(257, 1.0), -160.0, 1024).empty());  // over a quarter
    EXPECT_TRUE(MinimumPhaseFir(std::vector<double>(8, 1.0), -160.0, 1023).empty());
    EXPECT_EQ(MinimumPhaseFir(std::vector<double>(256, 1.0), -160.0, 1024).size(), 256u);
}

}  // namespace
}  // namespace plenum
