// The benchmark program's main: Google Benchmark's own run and output, then a summary of every
// comparison (BenchSupport.h) as a Markdown table built from the medians of the repetitions.
// Exits non-zero when a benchmark reported an error, so a smoke run fails on a wrong result.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

// Passes everything on to the reporter the command line chose and keeps, per benchmark, the
// CPU time per iteration of every repetition. CPU time rather than wall time: on a machine
// shared with other work, time spent waiting for a core is not the code's.
class CollectingReporter : public benchmark::BenchmarkReporter {
public:
    explicit CollectingReporter(benchmark::BenchmarkReporter* display) : display(display) {}

    bool ReportContext(const Context& context) override { return display->ReportContext(context); }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const std::string name = Key(run);
            if (run.error_occurred) {
                errors.push_back(name + ": " + run.error_message);
                continue;
            }
            if (run.iterations > 0)
                seconds[name].push_back(run.cpu_accumulated_time /
                                        static_cast<double>(run.iterations));
        }
        display->ReportRuns(runs);
    }

    void Finalize() override { display->Finalize(); }

    struct Stats {
        double median = 0.0;   // seconds per iteration
        double fastest = 0.0;  // the fastest repetition's
        size_t repetitions = 0;
    };
    // Of every repetition of the benchmark; no repetitions when it did not run.
    Stats Of(const std::string& name) const {
        const auto found = seconds.find(name);
        if (found == seconds.end() || found->second.empty()) return {};
        std::vector<double> values = found->second;
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        return {median, values.front(), n};
    }

    const std::vector<std::string>& Errors() const { return errors; }

private:
    static std::string Key(const Run& run) {
        return run.run_name.args.empty() ? run.run_name.function_name
                                         : run.run_name.function_name + "/" + run.run_name.args;
    }

    benchmark::BenchmarkReporter* display;
    std::map<std::string, std::vector<double>> seconds;
    std::vector<std::string> errors;
};

std::string Duration(double seconds) {
    char text[64];
    if (seconds < 1e-6) {
        std::snprintf(text, sizeof text, "%.2f ns", seconds * 1e9);
    } else if (seconds < 1e-3) {
        std::snprintf(text, sizeof text, "%.2f µs", seconds * 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    }
    return text;
}

std::string Number(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void PrintSummary(const CollectingReporter& collected, std::ostream& out) {
    std::ostringstream table;
    size_t rows = 0;
    size_t fewestRepetitions = SIZE_MAX;
    for (const bench::Comparison& c : bench::Comparisons()) {
        const auto measured = collected.Of(c.measured);
        if (measured.repetitions == 0 || measured.fastest <= 0.0) continue;
        fewestRepetitions = std::min(fewestRepetitions, measured.repetitions);
        std::string baselineText = "—", resultText, fastestText, targetText = "—", met = "—";
        if (c.kind == bench::Comparison::Kind::Ratio) {
            const auto baseline = collected.Of(c.baseline);
            if (baseline.repetitions == 0 || baseline.fastest <= 0.0) continue;
            fewestRepetitions = std::min(fewestRepetitions, baseline.repetitions);
            const double ratio = measured.median / baseline.median;
            baselineText = Duration(baseline.median);
            resultText = Number("%.2fx", ratio);
            fastestText = Number("%.2fx", measured.fastest / baseline.fastest);
            if (c.limit > 0.0) {
                targetText = Number("≤ %.1fx", c.limit);
                met = ratio <= c.limit ? "yes" : "no";
            }
        } else {
            const double rate = c.itemsPerIteration / measured.median;
            resultText = Number("%.1f M ", rate / 1e6) + c.itemName + "/s";
            fastestText = Number("%.1f M/s", c.itemsPerIteration / measured.fastest / 1e6);
            if (c.limit > 0.0) {
                targetText = Number("≥ %.0f M ", c.limit / 1e6) + c.itemName + "/s";
                met = rate >= c.limit ? "yes" : "no";
            }
        }
        table << "| " << c.figure << " | " << Duration(measured.median) << " | " << baselineText
              << " | " << resultText << " | " << targetText << " | " << met << " | " << fastestText
              << " |\n";
        ++rows;
    }
    if (rows == 0) return;
    // The medians are the figures; the fastest repetitions show what the code does when the
    // machine leaves it alone, and how far the medians are from that.
    out << "\nSummary: medians of " << fewestRepetitions
        << (fewestRepetitions == 1 ? " repetition" : " or more repetitions")
        << " of the CPU time per iteration; the last column from the fastest repetitions\n\n"
        << "| Figure | Measured | Baseline | Result | Target | Met | Fastest |\n"
        << "|---|---|---|---|---|---|---|\n"
        << table.str();
}

// The summary follows the display output unless that is meant for a machine to read.
bool DisplayIsConsole(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--benchmark_format=", 19) == 0)
            return std::strcmp(argv[i] + 19, "console") == 0;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool console = DisplayIsConsole(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The library keeps the default reporter for the life of the program; it is not ours.
    CollectingReporter reporter(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintSummary(reporter, console ? std::cout : std::cerr);
    for (const std::string& error : reporter.Errors())
        std::cerr << "benchmark failed: " << error << "\n";
    return reporter.Errors().empty() ? 0 : 1;
}
