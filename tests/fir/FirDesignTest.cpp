// Crossover FIR design: against scipy's firwin and minimum_phase (golden files made by
// tests/data/fir/make_golden.py), the physical properties of the designs, the latency switch and
// the refusals.
#include "fir/FirDesign.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "fir/FirResponse.h"
#include "fir/GoldenFile.h"

namespace plenum {
namespace {

FirDesign Design(FirDesignRequest request) {
    FirDesign design;
    EXPECT_EQ(DesignFir(request, design), FirDesignResult::Ok);
    return design;
}

double Energy(std::span<const double> taps) {
    return std::inner_product(taps.begin(), taps.end(), taps.begin(), 0.0);
}

TEST(FirDesign, LinearPhaseMatchesFirwin) {
    const auto cases = test::ReadGoldenFir("firwin_golden.txt");
    ASSERT_EQ(cases.size(), 20u);
    for (const auto& c : cases) {
        const FirDesign design = Design(c.request);
        ASSERT_EQ(design.coefficients.size(), c.taps.size()) << c.name;
        double worst = 0.0;
        for (std::size_t n = 0; n < c.taps.size(); ++n)
            worst = std::max(worst, std::abs(design.coefficients[n] - c.taps[n]));
        EXPECT_LT(worst, 1e-13) << c.name;
    }
}

// Against the same construction written with numpy: tap by tap.
TEST(FirDesign, MinimumPhaseMatchesTheCepstrumReference) {
    const auto cases = test::ReadGoldenFir("minphase_numpy.txt");
    ASSERT_EQ(cases.size(), 4u);
    for (auto c : cases) {
        c.request.minimumPhase = true;
        const FirDesign design = Design(c.request);
        ASSERT_EQ(design.coefficients.size(), c.taps.size()) << c.name;
        double worst = 0.0, peak = 0.0;
        for (std::size_t n = 0; n < c.taps.size(); ++n) {
            worst = std::max(worst, std::abs(design.coefficients[n] - c.taps[n]));
            peak = std::max(peak, std::abs(c.taps[n]));
        }
        EXPECT_LT(worst, 1e-9 * peak) << c.name;
    }
}

// Against scipy's minimum_phase: the same magnitude down to below the stop band and the same
// energy (scipy floors the stop band's nulls differently, so the taps themselves differ).
TEST(FirDesign, MinimumPhaseMatchesScipysMagnitude) {
    const auto cases = test::ReadGoldenFir("minphase_scipy.txt");
    ASSERT_EQ(cases.size(), 4u);
    FirResponse response;
    for (auto c : cases) {
        c.request.minimumPhase = true;
        const FirDesign design = Design(c.request);
        const double floorDb = -DesignAttenuationDb(c.request) - 10.0;
        ASSERT_EQ(response.Compute(c.taps), 0);
        const std::vector<double> expected(response.magnitudeDb().begin(), response.magnitudeDb().end());
        ASSERT_EQ(response.Compute(design.coefficients), 0);
        double worst = 0.0;
        for (std::size_t k = 0; k < expected.size(); ++k)
            worst = std::max(worst, std::abs(std::max(expected[k], floorDb) - std::max(response.magnitudeDb()[k], floorDb)));
        EXPECT_LT(worst, 0.1) << c.name;
        EXPECT_NEAR(Energy(design.coefficients), Energy(c.taps), 1e-3 * Energy(c.taps)) << c.name;
    }
}

TEST(FirDesign, TheDesignUsesTheTablesAttenuation) {
    FirDesignRequest request;
    request.window = FirWindow::Rect;
    request.attenuationDb = 80.0;  // ignored: the rectangle is always 21 dB
    EXPECT_EQ(DesignAttenuationDb(request), 21.0);
    request.window = FirWindow::Hamming;
    EXPECT_EQ(DesignAttenuationDb(request), 53.0);
    request.window = FirWindow::Kaiser;
    EXPECT_EQ(DesignAttenuationDb(request), 80.0);
}

// Low-pass plus high-pass of the same crossover is a unit impulse at the centre tap.
TEST(FirDesign, LowPassAndHighPassSumToADelayedImpulse) {
    for (int code = 0; code < kFirWindowCount; ++code)
        for (const int taps : {255, 256, 511, 512, 1024}) {
            FirDesignRequest request;
            request.window = static_cast<FirWindow>(code);
            request.attenuationDb = 70.0;
            request.taps = taps;
            request.frequencyHz = 1800.0;
            const auto low = Design(request).coefficients;
            request.highPass = true;
            const FirDesign high = Design(request);
            const std::size_t centre = static_cast<std::size_t>((taps % 2 ? taps : taps - 1) - 1) / 2;
            EXPECT_EQ(high.latencySamples, static_cast<int>(centre));
            EXPECT_DOUBLE_EQ(high.latencyMs, static_cast<double>(centre) / 48.0);
            for (std::size_t n = 0; n < low.size(); ++n)
                ASSERT_NEAR(low[n] + high.coefficients[n], n == centre ? 1.0 : 0.0, 1e-15)
                    << code << " " << taps << " tap " << n;
            if (taps % 2 == 0) {
                EXPECT_EQ(low.back(), 0.0);
            }
        }
}

TEST(FirDesign, GainsAtTheBandCentres) {
    FirResponse response;
    for (const bool highPass : {false, true}) {
        FirDesignRequest request;
        request.window = FirWindow::Blackman;
        request.taps = 512;
        request.frequencyHz = 2000.0;
        request.highPass = highPass;
        ASSERT_EQ(response.Compute(Design(request).coefficients), 0);
        const auto db = response.magnitudeDb();
        const double passDb = highPass ? db[8192] : db[0];  // 24 kHz or 0 Hz
        const double stopDb = highPass ? db[0] : db[8192];
        EXPECT_NEAR(passDb, 0.0, 1e-6);
        EXPECT_LT(stopDb, highPass ? -200.0 : -75.0);  // a high-pass's taps sum to exactly 0
        EXPECT_NEAR(db[683], -6.02, 0.15);  // 2001 Hz: about half the amplitude at the crossover
    }
}

// The stop band of a long low-pass for each window: the adjustable ones reach what they were
// designed for, the fixed ones at least their usual figure (the sidelobe level of the window).
TEST(FirDesign, StopBandReachesTheAttenuation) {
    struct Row {
        FirWindow window;
        double attenuationDb, reachedDb;
    };
    const std::vector<Row> rows{
        {FirWindow::Rect, 21, 20.5},           {FirWindow::Kaiser, 40, 39.0},
        {FirWindow::Kaiser, 90, 88.5},         {FirWindow::Sinc, 50, 48.5},
        {FirWindow::Sinc, 100, 97.0},          {FirWindow::Sine, 60, 58.5},
        {FirWindow::Sine, 110, 106.0},         {FirWindow::Hanning, 0, 43.0},
        {FirWindow::Hamming, 0, 52.0},         {FirWindow::Blackman, 0, 74.0},
        {FirWindow::BlackmanHarris, 0, 92.0},  {FirWindow::BlackmanNuttall, 0, 96.0},
        {FirWindow::Nuttall, 0, 93.0},         {FirWindow::KaiserBessel, 0, 63.0},
    };
    FirResponse response;
    for (const Row& row : rows) {
        FirDesignRequest request;
        request.window = row.window;
        request.attenuationDb = row.attenuationDb;
        request.taps = 1024;
        request.frequencyHz = 3000.0;
        ASSERT_EQ(response.Compute(Design(request).coefficients), 0);
        const auto db = response.magnitudeDb();
        // From the first null past the crossover on.
        std::size_t k = 1025;  // 3003 Hz
        while (db[k] > -6.5) ++k;
        while (db[k + 1] < db[k]) ++k;
        const double worst = *std::max_element(db.begin() + static_cast<std::ptrdiff_t>(k), db.end());
        EXPECT_LT(worst, -row.reachedDb) << Info(row.window).label << " " << row.attenuationDb;
    }
}

TEST(FirDesign, MinimumPhaseKeepsTheMagnitudeAndMovesTheEnergyToTheFront) {
    FirResponse response;
    for (const bool highPass : {false, true})
        for (const FirWindow window : {FirWindow::Hamming, FirWindow::Kaiser, FirWindow::BlackmanHarris}) {
            FirDesignRequest request;
            request.window = window;
            request.attenuationDb = 80.0;
            request.taps = 512;
            request.frequencyHz = 1500.0;
            request.highPass = highPass;
            const FirDesign linear = Design(request);
            request.minimumPhase = true;
            const FirDesign minimum = Design(request);
            const double floorDb = -DesignAttenuationDb(request) - 10.0;

            ASSERT_EQ(response.Compute(linear.coefficients), 0);
            const std::vector<double> linearDb(response.magnitudeDb().begin(), response.magnitudeDb().end());
            ASSERT_EQ(response.Compute(minimum.coefficients), 0);
            double worst = 0.0;
            for (std::size_t k = 0; k < linearDb.size(); ++k)
                worst = std::max(worst, std::abs(std::max(linearDb[k], floorDb) -
                                                 std::max(response.magnitudeDb()[k], floorDb)));
            EXPECT_LT(worst, 0.05) << Info(window).label << (highPass ? " hp" : " lp");

            // Energy: the minimum-phase filter's running energy is ahead of the linear one's.
            const double total = Energy(linear.coefficients);
            EXPECT_NEAR(Energy(minimum.coefficients), total, 1e-3 * total);
            const std::size_t quarter = linear.coefficients.size() / 4;
            const double minimumFront = Energy(std::span(minimum.coefficients).first(quarter));
            const double linearFront = Energy(std::span(linear.coefficients).first(quarter));
            EXPECT_GT(minimumFront, 0.95 * total);
            EXPECT_LT(linearFront, 0.01 * total);
            EXPECT_LT(minimum.latencySamples, linear.latencySamples / 4);
        }
}

TEST(FirDesign, LatencySwitchCutsOnlyWhatTheStopBandAllows) {
    for (const bool minimumPhase : {false, true})
        for (const FirWindow window : {FirWindow::Rect, FirWindow::Hanning, FirWindow::Kaiser}) {
            FirDesignRequest request;
            request.window = window;
            request.attenuationDb = 60.0;
            request.taps = 512;
            request.frequencyHz = 1000.0;
            request.minimumPhase = minimumPhase;
            const FirDesign full = Design(request);
            request.removeLatency = true;
            const FirDesign cut = Design(request);

            // The kept taps are the original's from some tap on, then zeros.
            const auto& a = full.coefficients;
            const auto& b = cut.coefficients;
            ASSERT_EQ(b.size(), a.size());
            std::size_t shift = 0;
            while (shift < a.size() && a[shift] != b[0]) ++shift;
            ASSERT_LT(shift, a.size());
            for (std::size_t n = 0; n < a.size(); ++n) ASSERT_EQ(b[n], n + shift < a.size() ? a[n + shift] : 0.0);
            const double dropped = Energy(std::span(a).first(shift));
            EXPECT_LE(dropped, Energy(a) * std::pow(10.0, -DesignAttenuationDb(request) / 10.0));
            EXPECT_EQ(cut.latencySamples, full.latencySamples - static_cast<int>(shift));
            if (!minimumPhase) {
                EXPECT_GT(shift, 0u) << Info(window).label;
            }
        }
}

TEST(FirDesign, LatencyIsTheMainPeakInMs) {
    FirDesignRequest request;
    request.taps = 511;
    EXPECT_DOUBLE_EQ(Design(request).latencyMs, 255.0 / 48.0);
    request.taps = 512;
    EXPECT_DOUBLE_EQ(Design(request).latencyMs, 255.0 / 48.0);
    std::vector<double> taps{0.1, -0.5, 0.5, 0.2};
    EXPECT_EQ(PeakTap(taps), 1);
    EXPECT_EQ(PeakTap(std::vector<double>{}), 0);
}

TEST(FirDesign, RefusedCrossoversLeaveTheDesignAlone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        int window;
        double attenuationDb;
        int taps;
        double frequencyHz;
        FirDesignResult result;
    };
    const std::vector<Row> rows{
        {"249 Hz", 4, 0, 512, 249.0, FirDesignResult::BadFrequency},
        {"250 Hz", 4, 0, 512, 250.0, FirDesignResult::Ok},
        {"20 kHz", 4, 0, 512, 20000.0, FirDesignResult::Ok},
        {"20001 Hz", 4, 0, 512, 20001.0, FirDesignResult::BadFrequency},
        {"nan Hz", 4, 0, 512, nan, FirDesignResult::BadFrequency},
        {"2 taps", 4, 0, 2, 1000.0, FirDesignResult::BadTaps},
        {"3 taps", 4, 0, 3, 1000.0, FirDesignResult::Ok},
        {"1024 taps", 4, 0, 1024, 1000.0, FirDesignResult::Ok},
        {"1025 taps", 4, 0, 1025, 1000.0, FirDesignResult::BadTaps},
        {"negative taps", 4, 0, -512, 1000.0, FirDesignResult::BadTaps},
        {"window 11", 11, 0, 512, 1000.0, FirDesignResult::BadWindow},
        {"window -1", -1, 0, 512, 1000.0, FirDesignResult::BadWindow},
        {"Kaiser 20.9 dB", 1, 20.9, 512, 1000.0, FirDesignResult::BadAttenuation},
        {"Kaiser 21 dB", 1, 21.0, 512, 1000.0, FirDesignResult::Ok},
        {"Sine 120 dB", 10, 120.0, 512, 1000.0, FirDesignResult::Ok},
        {"Sinc 120.1 dB", 2, 120.1, 512, 1000.0, FirDesignResult::BadAttenuation},
        {"Sinc nan dB", 2, nan, 512, 1000.0, FirDesignResult::BadAttenuation},
        {"Hamming with any attenuation", 4, -5.0, 512, 1000.0, FirDesignResult::Ok},
    };
    for (const Row& row : rows) {
        FirDesignRequest request;
        request.window = static_cast<FirWindow>(row.window);
        request.attenuationDb = row.attenuationDb;
        request.taps = row.taps;
        request.frequencyHz = row.frequencyHz;
        FirDesign design;
        design.coefficients = {42.0};
        design.latencyMs = 7.0;
        EXPECT_EQ(DesignFir(request, design), row.result) << row.name;
        if (row.result != FirDesignResult::Ok) {
            EXPECT_EQ(design.coefficients, std::vector<double>{42.0}) << row.name;
            EXPECT_EQ(design.latencyMs, 7.0) << row.name;
        } else {
            EXPECT_EQ(design.coefficients.size(), static_cast<std::size_t>(row.taps)) << row.name;
        }
    }
    EXPECT_EQ(kWrongXoverParameters.en, "Wrong XOver paramaters");
    EXPECT_EQ(kWrongXoverParameters.zh, "错误的分频参数");
}

}  // namespace
}  // namespace plenum
