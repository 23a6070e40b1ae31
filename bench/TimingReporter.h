// A console reporter that also keeps each benchmark's time per iteration in microseconds, so that
// a benchmark's main can print ratios and a summary line after the runs.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace plenum::bench {

class TimingReporter : public benchmark::ConsoleReporter {
public:
    enum class Clock { Real, Cpu };
    explicit TimingReporter(Clock clock = Clock::Real) : clock_(clock) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                microseconds_[run.benchmark_name()] =
                    (clock_ == Clock::Cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime()) * Scale(run.time_unit);
    }
    // The time of a benchmark that ran, or -1.
    double Us(const std::string& name) const {
        const auto it = microseconds_.find(name);
        return it == microseconds_.end() ? -1.0 : it->second;
    }

private:
    static double Scale(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1e-3;
            case benchmark::kMicrosecond: return 1.0;
            case benchmark::kMillisecond: return 1e3;
            default: return 1e6;
        }
    }
    Clock clock_;
    std::map<std::string, double> microseconds_;
};

}  // namespace plenum::bench
