// What the FIR numerics cost: a 512-tap crossover design plus its 16384-point response (what the
// crossover window does for every edit of a FIR side), the minimum-phase construction of 1024
// taps on a 65536-point transform, and 1/6-octave smoothing of the 32769 measurement bins with its
// set-up. The smoothing is also timed the direct way (every bin averaged over its band afresh) for
// comparison. The last line sums it up as
//   fir: design+response X us; min-phase Y ms; smoothing Z us
// with the CPU time per run: every step is single-threaded, so on an idle machine it equals the
// wall time, and on a shared one (builds running beside) it still measures our own cost.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "dsp/MeasureGrid.h"
#include "dsp/MinPhase.h"
#include "dsp/Smoothing.h"
#include "fir/FirDesign.h"
#include "fir/FirResponse.h"
#include "TimingReporter.h"

namespace plenum {
namespace {

constexpr auto kBins = static_cast<std::size_t>(measure_grid::kBinCount);

FirDesignRequest Crossover(int taps) {
    FirDesignRequest request;
    request.window = FirWindow::Kaiser;
    request.attenuationDb = 80.0;
    request.taps = taps;
    request.frequencyHz = 1200.0;
    return request;
}

void BM_DesignAndResponse512(benchmark::State& state) {
    FirResponse response;  // kept by the window, like the design component
    FirDesign design;
    for (auto _ : state) {
        DesignFir(Crossover(512), design);
        response.Compute(design.coefficients);
        benchmark::DoNotOptimize(response.groupDelayMs().data());
    }
}
BENCHMARK(BM_DesignAndResponse512)->Unit(benchmark::kMicrosecond);

void BM_MinimumPhase1024(benchmark::State& state) {
    FirDesign design;
    DesignFir(Crossover(1024), design);
    for (auto _ : state) {
        auto taps = MinimumPhaseFir(design.coefficients, -120.0, 65536);
        benchmark::DoNotOptimize(taps.data());
    }
}
BENCHMARK(BM_MinimumPhase1024)->Unit(benchmark::kMillisecond);

struct Measured {
    std::vector<double> mag = std::vector<double>(kBins), phase = std::vector<double>(kBins);
    Measured() {
        for (std::size_t k = 0; k < kBins; ++k) {
            const double x = static_cast<double>(k);
            mag[k] = 1.0 + 0.3 * std::sin(x / 37.0) + 0.1 * std::cos(x / 3.0);
            phase[k] = WrapPhaseDeg(-0.7 * x + 20.0 * std::sin(x / 11.0));
        }
    }
};

void BM_Smoothing6th(benchmark::State& state) {
    const Measured in;
    std::vector<double> mag(kBins), phase(kBins);
    for (auto _ : state) {
        SmoothFractionalOctave(in.mag, in.phase, mag, phase, 1.0 / 6);
        benchmark::DoNotOptimize(mag.data());
    }
}
BENCHMARK(BM_Smoothing6th)->Unit(benchmark::kMicrosecond);

// The direct way: every bin in the band sums its whole band again.
void BM_Smoothing6thDirect(benchmark::State& state) {
    const Measured in;
    std::vector<double> mag(kBins), phase(kBins), unwrapped(kBins);
    const double df = 48000.0 / 65536.0, below = std::exp2(-1.0 / 12), above = std::exp2(1.0 / 12);
    for (auto _ : state) {
        UnwrapPhaseDeg(unwrapped, in.phase);
        for (std::size_t k = 0; k < kBins; ++k) {
            const double f = static_cast<double>(k) * df;
            if (f < 20.0 || f > 20000.0) {
                mag[k] = in.mag[k], phase[k] = in.phase[k];
                continue;
            }
            const auto lo = static_cast<std::size_t>(std::ceil(static_cast<double>(k) * below));
            const auto hi = std::min(kBins - 1, static_cast<std::size_t>(std::floor(static_cast<double>(k) * above)));
            double power = 0.0, sum = 0.0;
            for (std::size_t j = lo; j <= hi; ++j) power += in.mag[j] * in.mag[j], sum += unwrapped[j];
            const double count = static_cast<double>(hi - lo + 1);
            mag[k] = std::sqrt(power / count);
            phase[k] = sum / count - (unwrapped[k] - in.phase[k]);
        }
        benchmark::DoNotOptimize(mag.data());
    }
}
BENCHMARK(BM_Smoothing6thDirect)->Unit(benchmark::kMicrosecond);


}  // namespace
}  // namespace plenum

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    plenum::bench::TimingReporter reporter(plenum::bench::TimingReporter::Clock::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double direct = reporter.Us("BM_Smoothing6thDirect"), smoothing = reporter.Us("BM_Smoothing6th");
    if (direct > 0 && smoothing > 0)
        std::printf("\nsmoothing by running sums against the direct average: %.1f x faster\n", direct / smoothing);
    std::printf("targets: design+response <= 450 us, min-phase <= 3.5 ms, smoothing <= 500 us (release build)\n");
    std::printf("fir: design+response %.0f us; min-phase %.2f ms; smoothing %.0f us\n",
                reporter.Us("BM_DesignAndResponse512"), reporter.Us("BM_MinimumPhase1024") / 1000.0, smoothing);
    benchmark::Shutdown();
    return 0;
}
