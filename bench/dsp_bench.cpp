// What a response redraw costs: one PEQ band recomputed with its channels' sums updated (a fader
// drag), and a whole satellite channel recomputed and summed (51 input bands, 8 output bands,
// input crossover and output high and low pass at 48 dB/oct: 71 sections), each against the
// straightforward way (std::complex evaluation of every section at every point, channel summed
// from scratch). Prints the accuracy of the engine against the exact formulas, the timings and
// the ratios.
#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "dsp/GridEvaluation.h"
#include "dsp/Response.h"
#include "TimingReporter.h"

namespace plenum {
namespace {

constexpr auto kPoints = static_cast<std::size_t>(FrequencyGrid::kPointCount);

const FrequencyGrid& Grid() {
    static const FrequencyGrid grid;
    return grid;
}

// A busy satellite: every input band a bell of its own, the output bands of both ways in use.
PeqBand InputBand(int band) {
    return {25.0 * std::pow(1.12, band), (band % 2 ? 1.0 : -1.0) * (1.0 + (band % 14)), 0.5 + 0.1 * (band % 20), 0, 0};
}
PeqBand OutputBand(int way, int band) {
    return {200.0 * (band + 1) * (way + 1), -3.0 + band, 1.5, static_cast<std::int16_t>(band % 4 == 3 ? 3 : 0), 0};
}

void LoadWayZero(DeviceResponse& r) {
    using namespace sat_slots;
    for (int b = 0; b < kInputBands; ++b) r.SetPeqBand(sat_slots::InputBand(b), InputBand(b));
    r.SetCrossover(kInputXover, 12, false, 30.0);
    for (int b = 0; b < kOutputBands; ++b) r.SetPeqBand(sat_slots::OutputBand(0, b), OutputBand(0, b));
    r.SetCrossover(OutputHighPass(0), 12, false, 60.0);
    r.SetCrossover(OutputLowPass(0), 12, true, 1500.0);
}

// The channel's sections in slot order, for the reference.
std::vector<BiquadCoefficients> WayZeroSections() {
    std::vector<BiquadCoefficients> sections;
    for (int b = 0; b < sat_slots::kInputBands; ++b) sections.push_back(*DesignPeq(InputBand(b)));
    const auto add = [&](int slope, bool low, double f) {
        const XoverCascade c = XoverSlopeStages(slope);
        for (int i = 0; i < c.count; ++i)
            sections.push_back(DesignXoverSection(c.stages[i].order, low, f, c.stages[i].q));
    };
    add(12, false, 30.0);
    for (int b = 0; b < sat_slots::kOutputBands; ++b) sections.push_back(*DesignPeq(OutputBand(0, b)));
    add(12, false, 60.0);
    add(12, true, 1500.0);
    return sections;
}

// ---- The engine ------------------------------------------------------------------------------

void BM_Engine_OneBandDrag(benchmark::State& state) {
    DeviceResponse r(Grid(), SatelliteLayout());
    LoadWayZero(r);
    PeqBand band = InputBand(20);
    int step = 0;
    for (auto _ : state) {
        band.gainDb = -15.0 + 0.5 * (step++ % 61);  // the fader moving; an input band: both ways
        r.SetPeqBand(sat_slots::InputBand(20), band);
        benchmark::DoNotOptimize(r.summedMagnitudeDb(0).data());
    }
}
BENCHMARK(BM_Engine_OneBandDrag)->Unit(benchmark::kMicrosecond);

void BM_Engine_FullChannel(benchmark::State& state) {
    for (auto _ : state) {
        DeviceResponse r(Grid(), SatelliteLayout());
        LoadWayZero(r);
        r.Resum();
        benchmark::DoNotOptimize(r.summedMagnitudeDb(0).data());
    }
}
BENCHMARK(BM_Engine_FullChannel)->Unit(benchmark::kMillisecond);

void BM_Engine_OneSection(benchmark::State& state) {
    const auto c = DesignBell(1000, 2, 6);
    std::vector<double> db(kPoints), deg(kPoints);
    for (auto _ : state) {
        EvaluateSectionOnGrid(Grid(), c, MagnitudeRule::Evaluate, db, deg);
        benchmark::DoNotOptimize(db.data());
    }
}
BENCHMARK(BM_Engine_OneSection)->Unit(benchmark::kMicrosecond);

// The same on the SSE2 baseline, for processors without AVX2.
void BM_Engine_OneSection_Sse2(benchmark::State& state) {
    const auto c = DesignBell(1000, 2, 6);
    std::vector<double> db(kPoints), deg(kPoints);
    for (auto _ : state) {
        EvaluateSectionOnGrid(Grid(), c, MagnitudeRule::Evaluate, db, deg, EvaluationPath::Baseline);
        benchmark::DoNotOptimize(db.data());
    }
}
BENCHMARK(BM_Engine_OneSection_Sse2)->Unit(benchmark::kMicrosecond);

// ---- Exact formulas per point (libm log10, atan, sin, cos) -----------------------------------

void BM_Exact_OneSection(benchmark::State& state) {
    const auto c = DesignBell(1000, 2, 6);
    std::vector<double> db(kPoints), deg(kPoints);
    for (auto _ : state) {
        EvaluateSectionOnGridExact(Grid(), c, MagnitudeRule::Evaluate, db, deg);
        benchmark::DoNotOptimize(db.data());
    }
}
BENCHMARK(BM_Exact_OneSection)->Unit(benchmark::kMicrosecond);

// ---- The straightforward reference -----------------------------------------------------------

struct ReferenceChannel {
    std::vector<std::vector<double>> db, deg;
    std::vector<double> sumDb = std::vector<double>(kPoints), sumDeg = std::vector<double>(kPoints);

    void Evaluate(std::size_t i, const BiquadCoefficients& c) {
        db.resize(std::max(db.size(), i + 1), std::vector<double>(kPoints));
        deg.resize(std::max(deg.size(), i + 1), std::vector<double>(kPoints));
        EvaluateSectionOnGridComplex(Grid(), c, MagnitudeRule::Evaluate, db[i], deg[i]);
    }
    void Sum() {
        std::fill(sumDb.begin(), sumDb.end(), 0.0);
        std::fill(sumDeg.begin(), sumDeg.end(), 0.0);
        for (std::size_t i = 0; i < db.size(); ++i)
            for (std::size_t k = 0; k < kPoints; ++k) {
                sumDb[k] += db[i][k];
                sumDeg[k] += deg[i][k];
            }
    }
};

void BM_Reference_OneBandDrag(benchmark::State& state) {
    const auto sections = WayZeroSections();
    ReferenceChannel way0, way1;  // the input band belongs to both ways
    for (std::size_t i = 0; i < sections.size(); ++i) way0.Evaluate(i, sections[i]), way1.Evaluate(i, sections[i]);
    PeqBand band = InputBand(20);
    int step = 0;
    for (auto _ : state) {
        band.gainDb = -15.0 + 0.5 * (step++ % 61);
        way0.Evaluate(20, *DesignPeq(band));
        way1.db[20] = way0.db[20];
        way1.deg[20] = way0.deg[20];
        way0.Sum();
        way1.Sum();
        benchmark::DoNotOptimize(way0.sumDb.data());
    }
}
BENCHMARK(BM_Reference_OneBandDrag)->Unit(benchmark::kMicrosecond);

void BM_Reference_FullChannel(benchmark::State& state) {
    for (auto _ : state) {
        const auto sections = WayZeroSections();
        ReferenceChannel way0;
        for (std::size_t i = 0; i < sections.size(); ++i) way0.Evaluate(i, sections[i]);
        way0.Sum();
        benchmark::DoNotOptimize(way0.sumDb.data());
    }
}
BENCHMARK(BM_Reference_FullChannel)->Unit(benchmark::kMillisecond);

void BM_Reference_OneSection(benchmark::State& state) {
    const auto c = DesignBell(1000, 2, 6);
    std::vector<double> db(kPoints), deg(kPoints);
    for (auto _ : state) {
        EvaluateSectionOnGridComplex(Grid(), c, MagnitudeRule::Evaluate, db, deg);
        benchmark::DoNotOptimize(db.data());
    }
}
BENCHMARK(BM_Reference_OneSection)->Unit(benchmark::kMicrosecond);

// ---- Accuracy and ratios ---------------------------------------------------------------------

// The engine's summed curves of the full channel against the exact formulas at every point.
void PrintAccuracy() {
    DeviceResponse r(Grid(), SatelliteLayout());
    LoadWayZero(r);
    // A thousand fader steps on one band first, so that the incremental sums have drifted as far
    // as they will.
    PeqBand band = InputBand(20);
    for (int step = 0; step < 1000; ++step) {
        band.gainDb = -15.0 + 0.5 * (step % 61);
        r.SetPeqBand(sat_slots::InputBand(20), band);
    }
    r.SetPeqBand(sat_slots::InputBand(20), InputBand(20));
    double worstDb = 0, worstDeg = 0;
    const auto sections = WayZeroSections();
    for (std::size_t k = 1; k < kPoints; ++k) {
        double db = 0, deg = 0;
        for (const auto& c : sections) {
            db += SectionMagnitudeDb(c, Grid().frequency(static_cast<int>(k)));
            deg += SectionPhaseDeg(c, Grid().frequency(static_cast<int>(k)));
        }
        worstDb = std::max(worstDb, std::abs(r.summedMagnitudeDb(0)[k] - db));
        worstDeg = std::max(worstDeg, std::abs(r.summedPhaseDeg(0)[k] - deg));
    }
    std::printf("accuracy of the full channel (%zu sections) after 1000 drag steps, worst over all points:\n"
                "  magnitude %.3g dB, phase %.3g degrees (against the exact per-point formulas)\n\n",
                sections.size(), worstDb, worstDeg);
}

void PrintRatios(const bench::TimingReporter& reporter) {
    const auto ratio = [&](const char* name, const char* reference) {
        const double a = reporter.Us(name), b = reporter.Us(reference);
        if (a < 0 || b < 0) return;
        std::printf("  %-26s %10.1f us   reference %10.1f us   %5.1f x faster\n", name + 3, a, b, b / a);
    };
    std::printf("\nengine against the straightforward std::complex evaluation:\n");
    ratio("BM_Engine_OneBandDrag", "BM_Reference_OneBandDrag");
    ratio("BM_Engine_FullChannel", "BM_Reference_FullChannel");
    ratio("BM_Engine_OneSection", "BM_Reference_OneSection");
    ratio("BM_Engine_OneSection_Sse2", "BM_Reference_OneSection");
    ratio("BM_Exact_OneSection", "BM_Reference_OneSection");
    std::printf("targets: one band + channel update <= 250 us, full channel <= 15000 us, both >= 3 x\n");
}

}  // namespace
}  // namespace plenum

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    plenum::PrintAccuracy();
    plenum::bench::TimingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    plenum::PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
