#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

// Prints, after the usual table, "ours / raw" for every pair of benchmarks named
// "<case>/ours" and "<case>/raw" measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0)
                continue;
            m_times[r.benchmark_name()] = r.GetAdjustedRealTime();
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nratios (ours / raw, same run):\n");
        for (const auto& [name, time] : m_times) {
            const auto slash = name.rfind("/ours");
            if (slash == std::string::npos)
                continue;
            const std::string base = name.substr(0, slash);
            const std::string suffix = name.substr(slash + 5);
            const auto raw = m_times.find(base + "/raw" + suffix);
            if (raw == m_times.end() || raw->second <= 0)
                continue;
            std::printf("  %-40s %6.2fx\n", (base + suffix).c_str(), time / raw->second);
        }
    }

private:
    std::map<std::string, double> m_times;
};
