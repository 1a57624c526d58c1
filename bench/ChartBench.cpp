// The memory a chart takes as its frames grow: rows of a toggling float, a constant NaN, an
// unsigned count and a changing matrix through the svg writer, as the runner hands them over.
// The heap in use is sampled as the rows arrive and after the drawing; the high-water mark
// over those samples is reported (heap_peak_bytes), with the document's size (svg_bytes). A
// chart that held its rows would grow with the frames; this one should not.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "output/OutputFormats.h"

namespace {

using quantifier_run::Cell;

// Bytes the heap has handed out and not taken back, large blocks included.
size_t HeapAndLargeBlocksInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Counts what is written and keeps none of it.
class CountingBuffer : public std::streambuf {
public:
    size_t count = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        count += static_cast<size_t>(n);
        return n;
    }
    int_type overflow(int_type c) override {
        ++count;
        return c;
    }
};

void SvgChartMemory(benchmark::State& state) {
    const auto frames = static_cast<size_t>(state.range(0));
    size_t peak = 0, bytes = 0;
    for (auto _ : state) {
        const size_t base = HeapAndLargeBlocksInUse();
        const auto sample = [&] {
            peak = std::max(peak,
                            HeapAndLargeBlocksInUse() - std::min(base, HeapAndLargeBlocksInUse()));
        };
        auto writer = quantifier_run::MakeRowWriter(quantifier_run::OutputFormat::Svg,
                                                    {"toggle", "nan", "count", "m"});
        std::vector<Cell> row(4);
        for (size_t frame = 0; frame < frames; ++frame) {
            XMMATRIX m{};
            for (int i = 0; i < 16; ++i)
                m.m[i / 4][i % 4] = static_cast<float>((frame + static_cast<size_t>(i)) % 97);
            row[0] = static_cast<float>(frame % 2);
            row[1] = std::numeric_limits<float>::quiet_NaN();
            row[2] = static_cast<uint32_t>(frame);
            row[3] = m;
            writer->Row(row);
            if (frame % 256 == 0) sample();
        }
        writer->Finish(nullptr);
        sample();
        CountingBuffer counter;
        std::ostream out(&counter);
        if (!writer->WriteTo(out) || counter.count == 0) {
            state.SkipWithError("the chart was not written");
            return;
        }
        bytes = counter.count;
    }
    state.counters["heap_peak_bytes"] = static_cast<double>(peak);
    state.counters["svg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(SvgChartMemory)
    ->Arg(100000)
    ->Arg(1000000)
    ->Arg(4000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
