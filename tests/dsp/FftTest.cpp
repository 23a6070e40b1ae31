// The FFTW wrapper: the transform's conventions against a direct DFT, the round trip, the plan
// cache, and transforms made and run on several threads at once.
#include "dsp/Fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

namespace plenum {
namespace {

std::vector<double> RandomSignal(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> x(n);
    for (double& v : x) v = uniform(rng);
    return x;
}

class FftSizes : public testing::TestWithParam<int> {};

TEST_P(FftSizes, ForwardIsTheDirectDft) {
    const int n = GetParam();
    const auto x = RandomSignal(static_cast<std::size_t>(n), 7);
    RealFft fft(n);
    const auto spectrum = fft.Forward(x);
    ASSERT_EQ(spectrum.size(), static_cast<std::size_t>(n / 2 + 1));
    for (int k = 0; k <= n / 2; ++k) {
        std::complex<double> direct;
        for (int t = 0; t < n; ++t)
            direct += x[static_cast<std::size_t>(t)] * std::polar(1.0, -2.0 * std::numbers::pi * k * t / n);
        EXPECT_NEAR(std::abs(spectrum[static_cast<std::size_t>(k)] - direct), 0.0, 1e-12 * n) << "bin " << k;
    }
}

TEST_P(FftSizes, InverseOfForwardIsLengthTimesTheSignal) {
    const int n = GetParam();
    const auto x = RandomSignal(static_cast<std::size_t>(n), 11);
    RealFft fft(n);
    fft.Forward(x);
    const auto back = fft.Inverse();
    for (std::size_t t = 0; t < x.size(); ++t) EXPECT_NEAR(back[t] / n, x[t], 1e-14) << t;
}

INSTANTIATE_TEST_SUITE_P(Lengths, FftSizes, testing::Values(2, 8, 30, 64, 250));

TEST(Fft, ShortInputIsZeroPaddedAndLongInputCut) {
    RealFft fft(16);
    const std::vector<double> impulse{1.0};
    for (const auto& bin : fft.Forward(impulse)) EXPECT_EQ(bin, std::complex<double>(1.0, 0.0));
    const std::vector<double> longer(40, 1.0);
    EXPECT_DOUBLE_EQ(fft.Forward(longer)[0].real(), 16.0);  // only the first 16 samples count
}

TEST(Fft, EachLengthIsPlannedOnce) {
    { RealFft first(4096); }
    const int plans = RealFft::CachedPlanCount();
    RealFft again(4096), other(4096);
    EXPECT_EQ(RealFft::CachedPlanCount(), plans);
    RealFft fresh(4098);
    EXPECT_EQ(RealFft::CachedPlanCount(), plans + 1);
}

TEST(Fft, TransformsOnSeveralThreadsAgreeWithOneThread) {
    const auto x = RandomSignal(1024, 3);
    RealFft reference(1024);
    const auto spectrum = reference.Forward(x);
    const std::vector<std::complex<double>> expected(spectrum.begin(), spectrum.end());
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                RealFft planned(1024 + 2 * (round % 5) * (t + 1));  // new sizes are planned meanwhile
                RealFft fft(1024);
                const auto got = fft.Forward(x);
                for (std::size_t k = 0; k < got.size(); ++k) mismatches[static_cast<std::size_t>(t)] += got[k] != expected[k];
            }
        });
    for (auto& thread : threads) thread.join();
    for (const int m : mismatches) EXPECT_EQ(m, 0);
}

}  // namespace
}  // namespace plenum
