#pragma once
// Runs the registered benchmarks, keeps each one's mean time per iteration and
// lets the caller print ratios between them, all from the same run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                seconds_[run.benchmark_name()] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }

    // Seconds per iteration of a benchmark, 0 when it did not run.
    double Seconds(const std::string& name) const
    {
        const auto found = seconds_.find(name);
        return found == seconds_.end() ? 0.0 : found->second;
    }

    // Prints "label: a / b = ratio (target <= limit)" and tells whether it holds.
    bool PrintRatio(const char* label, const std::string& measured, const std::string& baseline, double limit) const
    {
        const double a = Seconds(measured), b = Seconds(baseline);
        if (a <= 0 || b <= 0) {
            std::printf("%s: not measured\n", label);
            return false;
        }
        const double ratio = a / b;
        std::printf("%s: %.3f ms / %.3f ms = %.2fx (target <= %.2fx) %s\n", label, a * 1e3, b * 1e3, ratio, limit,
                    ratio <= limit ? "ok" : "MISSED");
        return ratio <= limit;
    }

private:
    std::map<std::string, double> seconds_;
};

// Runs the registered benchmarks in random interleaved order, so that neither
// side of a ratio always runs on a warmer machine, then lets `reporter` print
// its summary.
template <class Reporter>
void RunInterleaved(int argc, char** argv, Reporter& reporter)
{
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
}
