// The three text searches on 1 MiB texts, narrow and wide, through the channel, beside the C
// library's memmem over the same bytes: a random text in which the pattern does not occur
// (every search scans the whole text), a pattern of 1,000 'a' in a text of only 'a' (an
// occurrence at every position), and 999 'a' and a 'b' in the same text (a near miss at every
// position). The summary gives each search's time as a multiple of memmem's.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Kch_TextChannel.h"
#include "OperationTable.h"
#include "Orn_Engine.h"

namespace {
constexpr size_t kTextSize = 1 << 20;

enum class Input { Random, Repeated, NearMiss };
enum class Width { Narrow, Wide };

struct Texts {
    std::string pattern, text;
};

Texts MakeTexts(Input input) {
    if (input == Input::Repeated) return {std::string(1000, 'a'), std::string(kTextSize, 'a')};
    if (input == Input::NearMiss) return {std::string(999, 'a') + "b", std::string(kTextSize, 'a')};
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> letter('a', 'z');
    Texts texts{std::string(16, ' '), std::string(kTextSize, ' ')};
    for (char& c : texts.text)
        c = static_cast<char>(letter(rng));
    do {
        for (char& c : texts.pattern)
            c = static_cast<char>(letter(rng));
    } while (texts.text.find(texts.pattern) != std::string::npos);
    return texts;
}

std::u16string Units(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

// An engine and the two text children, shared by every benchmark of one input and width.
struct SearchScene {
    SearchScene(Input input, Width width) {
        const Texts texts = MakeTexts(input);
        if (width == Width::Narrow) {
            pattern.SetNarrowText(texts.pattern);
            text.SetNarrowText(texts.text);
        } else {
            pattern.SetWideText(Units(texts.pattern));
            text.SetWideText(Units(texts.text));
        }
    }
    OrnEngine engine;
    Kch_TextChannel pattern, text;
};

SearchScene& SceneFor(Input input, Width width) {
    static std::unique_ptr<SearchScene> scenes[3][2];
    auto& scene = scenes[static_cast<int>(input)][static_cast<int>(width)];
    if (!scene) scene = std::make_unique<SearchScene>(input, width);
    return *scene;
}

void SearchOperation(benchmark::State& state, OperationId op, Input input, Width width) {
    const bench::Plugin plugin;
    if (!bench::RequireOpen(state, plugin)) return;
    SearchScene& scene = SceneFor(input, width);
    ScopedGlobalEngine useEngine{scene.engine};
    const auto quantifier = plugin.Make(op);
    quantifier->SetChild(&scene.pattern, -1, 0);
    quantifier->SetChild(&scene.text, -1, 0);
    float result = 0.0f;
    for (auto _ : state) {
        scene.text.SetTimeStamp();  // TextCount would otherwise answer from its cache
        scene.engine.BeginRender();
        result = quantifier->GetFloat();
        benchmark::DoNotOptimize(result);
    }
    state.counters["result"] = result;
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTextSize) *
                            (width == Width::Narrow ? 1 : 2));
}

void MemmemBaseline(benchmark::State& state, Input input, Width width) {
    const Texts texts = MakeTexts(input);
    const std::string& pattern = texts.pattern;
    const std::string& text = texts.text;
    const std::u16string widePattern = Units(pattern), wideText = Units(text);
    const void* haystack =
        width == Width::Narrow ? static_cast<const void*>(text.data()) : wideText.data();
    const void* needle =
        width == Width::Narrow ? static_cast<const void*>(pattern.data()) : widePattern.data();
    const size_t unit = width == Width::Narrow ? 1 : 2;
    for (auto _ : state) {
        const void* found = memmem(haystack, text.size() * unit, needle, pattern.size() * unit);
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTextSize * unit));
}

const bool registeredTextSearchBenchmarks = [] {
    const std::pair<OperationId, const char*> ops[] = {
        {OperationId::TextFind, "TextFind"},
        {OperationId::TextFindLast, "TextFindLast"},
        {OperationId::TextCount, "TextCount"},
    };
    for (Input input : {Input::Random, Input::Repeated, Input::NearMiss}) {
        const std::string inputName = input == Input::Random     ? "random"
                                      : input == Input::Repeated ? "1000a_in_a"
                                                                 : "999a_b_in_a";
        for (Width width : {Width::Narrow, Width::Wide}) {
            const std::string suffix = (width == Width::Narrow ? "/narrow/" : "/wide/") + inputName;
            const std::string baseline = "memmem" + suffix;
            for (const auto& [op, name] : ops) {
                benchmark::RegisterBenchmark((name + suffix).c_str(), SearchOperation, op, input,
                                             width)
                    ->Unit(benchmark::kMicrosecond);
                bench::AddRatio("Text search " + (name + suffix) + " / memmem", name + suffix,
                                baseline);
            }
            benchmark::RegisterBenchmark(baseline.c_str(), MemmemBaseline, input, width)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    return true;
}();
}  // namespace
