// Saving and restoring the session project happens at every exit and start (and on every
// plenumctl invocation), so both must stay well below what a user notices.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/FactoryPrograms.h"
#include "store/ProjectFile.h"

namespace {

plenum::AppContext FullContext() {
    plenum::AppContext ctx;
    for (int slot = 1; slot <= 24; ++slot) {
        ctx.device(slot).Present = plenum::kTrue16;
        ctx.device(slot).ModelCode = slot % 4 == 0 ? 1 : 8;
        ctx.device(slot).Address = "127.0.0." + std::to_string(slot + 1);
        ctx.satImage[static_cast<std::size_t>(slot)] = plenum::SatFactoryImage(0);
        ctx.satExtra[static_cast<std::size_t>(slot)].fir[0].values.fill(0.125f);
    }
    return ctx;
}

void BM_SessionSave(benchmark::State& state) {
    const auto ctx = FullContext();
    const auto dir = std::filesystem::temp_directory_path() / "plenum-bench-store";
    std::filesystem::create_directories(dir);
    const plenum::AppPaths paths(dir);
    for (auto _ : state) benchmark::DoNotOptimize(plenum::SaveSessionProject(ctx, paths));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SessionSave)->Unit(benchmark::kMillisecond);

void BM_SessionLoad(benchmark::State& state) {
    const auto ctx = FullContext();
    const auto dir = std::filesystem::temp_directory_path() / "plenum-bench-store-load";
    std::filesystem::create_directories(dir);
    const plenum::AppPaths paths(dir);
    (void)plenum::SaveSessionProject(ctx, paths);
    for (auto _ : state) {
        plenum::AppContext loaded;
        benchmark::DoNotOptimize(plenum::LoadSessionProject(loaded, paths).restored());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SessionLoad)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
