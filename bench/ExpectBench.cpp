// What checking a scene's "expect" adds to a run: the same 1,000,000-frame scene run whole in this
// process, its rows written as csv, without entries (0), with three entries on its outputs (1)
// and with one on every frame of a channel no output shows (2). The check is to cost under 5 %
// of the run: compare 1 with 0. Case 2 against a run that shows the channel is in
// scripts/bench-check.sh. ExpectationCheckAlone times the check by itself over as many rows, for
// a figure the run's own spread does not hide.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/Runner.h"
#include "view/ExpectCheck.h"

namespace {

std::string Scene(const std::string& expect) {
    return R"({ "channels": [
    { "name": "low", "type": "float", "value": 0 },
    { "name": "high", "type": "float", "value": 1000 },
    { "name": "step", "type": "float", "keys": { "0": 1, "999999": 2 }, "interpolate": "linear" },
    { "name": "wrap", "type": "quantifier", "operation": "WrapAccumulate",
      "children": { "min": "low", "max": "high", "step": "step" } },
    { "name": "hidden", "type": "quantifier", "operation": "Clamp",
      "children": { "lower": "low", "value": "step", "upper": "high" } } ],
  "outputs": ["wrap", "step"], "frames": 1000000)" +
           expect + "}";
}

void RunWithExpectations(benchmark::State& state) {
    const char* entries[] = {
        "",
        R"(, "expect": [ { "frame": 0, "channel": "wrap", "value": 1 },
            { "frames": [0, 999], "channel": "step", "value": 1, "tolerance": 0.01 },
            { "frame": 999999, "channel": "step", "value": 2 } ])",
        R"(, "expect": [ { "frames": [0, 999999], "channel": "hidden", "value": 1.5,
            "tolerance": 0.5 } ])",
    };
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("quantifier-expect-bench-" + std::to_string(state.range(0)) + ".json");
    std::ofstream(path) << Scene(entries[state.range(0)]);
    for (auto _ : state) {
        std::ostringstream out, err;
        const int status = quantifier_run::RunQuantifierTool(
            {"--plugin", QUANTIFIER_PLUGIN_PATH, "--format", "csv", path.string()}, out, err,
            false);
        if (status != 0) state.SkipWithError(err.str().c_str());
        benchmark::DoNotOptimize(out.str().size());
    }
    std::filesystem::remove(path);
}
void ExpectationCheckAlone(benchmark::State& state) {
    using namespace quantifier_run;
    std::vector<Expectation> entries(3);
    entries[0].value = 1.0f;
    entries[1].first = 0;
    entries[1].last = 999;
    entries[1].value = 1.0f;
    entries[1].tolerance = 0.01f;
    entries[2].first = entries[2].last = 999999;
    entries[2].value = 2.0f;
    const std::vector<Cell> row = {Cell(1.0f), Cell(1.0f)};
    for (auto _ : state) {
        ExpectationCheck check(entries, {0, 1, 1});
        for (size_t frame = 0; frame < 1000000; ++frame)
            check.Row(frame, row);
        benchmark::DoNotOptimize(check.Failures().size());
    }
}
BENCHMARK(ExpectationCheckAlone)->Unit(benchmark::kMillisecond);

BENCHMARK(RunWithExpectations)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
