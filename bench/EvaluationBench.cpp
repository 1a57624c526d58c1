// One channel's value, read the way a parent reads it, against what the same work costs without
// the plug-in:
//   - a cached read (the second GetFloat of a render) beside a plain virtual float getter;
//   - the first GetFloat of a render for one operation of each family beside a hand-written
//     function that looks up the same children through the host, calls the same getters and
//     does the same arithmetic in the same order. Both sides start a new render every
//     iteration, and both are one indirect call from the loop (the channel's GetFloat through
//     its table, the hand-written function through a pointer);
//   - TextCount on unchanged texts (answered from its cache) beside a changed text (counted).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "Kch_MatrixChannel.h"
#include "Kch_TextChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"
#include "MatrixInverse.h"
#include "Orn_Guids.h"
#include "StepReduction.h"
#include "TextRoutines.h"

namespace {

// What a hand-written function keeps between evaluations.
struct HandState {
    float accumulator = 0.0f;
    Kch_CameraChannel* camera = nullptr;
};
using HandWritten = float (*)(HandState&, const Orn_Channel& parent);

template <class T>
T* Child(const Orn_Channel& parent, const OrnGuid& interfaceGuid, int index) {
    return static_cast<T*>(parent.GetChildFromLinkGuid(interfaceGuid, index));
}

XMMATRIX Translation(float x, float y, float z) {
    XMMATRIX m = IdentityMatrix();
    m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
    return m;
}

// ---- the hand-written side ----

float HandVectorDistance(HandState&, const Orn_Channel& parent) {
    auto* a = Child<Kch_VectorChannel>(parent, orn_guid::kVectorInterface, 0);
    auto* b = Child<Kch_VectorChannel>(parent, orn_guid::kVectorInterface, 1);
    if (a == nullptr || b == nullptr) return 0.0f;
    const XMFLOAT4 p = a->GetVector();
    const XMFLOAT4 q = b->GetVector();
    const float dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
    return std::sqrt((dx * dx + dy * dy) + dz * dz);
}

float HandMatrixDistance(HandState&, const Orn_Channel& parent) {
    auto* a = Child<Kch_MatrixChannel>(parent, orn_guid::kMatrixInterface, 0);
    auto* b = Child<Kch_MatrixChannel>(parent, orn_guid::kMatrixInterface, 1);
    if (a == nullptr || b == nullptr) return 0.0f;
    const XMMATRIX p = a->GetMatrix();
    const XMMATRIX q = b->GetMatrix();
    const float dx = q.m[3][0] - p.m[3][0], dy = q.m[3][1] - p.m[3][1], dz = q.m[3][2] - p.m[3][2];
    return std::sqrt((dx * dx + dz * dz) + dy * dy);
}

float HandCameraDistance(HandState& state, const Orn_Channel& parent) {
    auto* a = Child<Kch_MatrixChannel>(parent, orn_guid::kMatrixInterface, 0);
    if (a == nullptr || state.camera == nullptr) return 0.0f;
    const XMFLOAT4 camera = MatrixInverseRow(state.camera->GetViewMatrix(), 3);
    const XMMATRIX p = a->GetMatrix();
    const float dx = p.m[3][0] - camera.x, dy = p.m[3][1] - camera.y, dz = p.m[3][2] - camera.z;
    return std::sqrt((dx * dx + dz * dz) + dy * dy);
}

float HandWrapAccumulate(HandState& state, const Orn_Channel& parent) {
    auto* minChild = Child<Kch_FloatChannel>(parent, orn_guid::kFloatInterface, 0);
    auto* maxChild = Child<Kch_FloatChannel>(parent, orn_guid::kFloatInterface, 1);
    auto* stepChild = Child<Kch_FloatChannel>(parent, orn_guid::kFloatInterface, 2);
    if (minChild == nullptr || maxChild == nullptr || stepChild == nullptr) return 0.0f;
    const float min = minChild->GetFloat();
    const float max = maxChild->GetFloat();
    const float range = max - min;
    if (range <= 0.0f) return 0.0f;
    float step = stepChild->GetFloat();
    if (std::fabs(step) > range) step = ReduceStep(step, range);
    float v = state.accumulator + step;
    if (v > max) v = (v - max) + min;
    if (v < min) v = (v - min) + max;
    state.accumulator = v;
    return v;
}

float HandTextFind(HandState&, const Orn_Channel& parent) {
    auto* patternChild = Child<Kch_TextChannel>(parent, orn_guid::kTextInterface, 0);
    auto* textChild = Child<Kch_TextChannel>(parent, orn_guid::kTextInterface, 1);
    if (patternChild == nullptr || textChild == nullptr) return -1.0f;
    const char* pattern = patternChild->GetText();
    const char* text = textChild->GetText();
    if (pattern == nullptr || text == nullptr) return -1.0f;
    if (patternChild->IsWideText() || textChild->IsWideText()) {
        const OrnWideChar* widePattern = patternChild->GetWideText();
        const OrnWideChar* wideText = textChild->GetWideText();
        if (widePattern == nullptr || wideText == nullptr) return -1.0f;
        const size_t at = text_routines::FindFirst(wideText, text_routines::Length(wideText),
                                                   widePattern, text_routines::Length(widePattern));
        return at == text_routines::kNotFound ? -1.0f : static_cast<float>(at);
    }
    const char* found = std::strstr(text, pattern);
    return found == nullptr ? -1.0f : static_cast<float>(found - text);
}

float HandUnsignedValue(HandState&, const Orn_Channel& parent) {
    auto* child = Child<Kch_UnsignedChannel>(parent, orn_guid::kUnsignedInterface, 0);
    if (child == nullptr) return 0.0f;
    return static_cast<float>(child->GetUnsignedValue());
}

// ---- the cases ----

template <class T>
void Link(bench::Stage& stage, Kch_Quantifier& parent, std::unique_ptr<T> child) {
    parent.SetChild(&stage.Own(std::move(child)), -1, 0);
}

std::unique_ptr<Kch_FloatChannel> Float(float value) {
    auto channel = std::make_unique<Kch_FloatChannel>();
    channel->SetFloat(value);
    return channel;
}

std::unique_ptr<Kch_TextChannel> Text(const char* text) {
    auto channel = std::make_unique<Kch_TextChannel>();
    channel->SetNarrowText(text);
    return channel;
}

// The children's values are chosen so that summing the squares in another order gives other
// bits: the check that both sides agree then also checks the order.
struct FamilyCase {
    const char* family;
    OperationId operation;
    void (*link)(bench::Stage&, Kch_Quantifier&);
    HandWritten handWritten;
};

const FamilyCase kFamilies[] = {
    {"Vector", OperationId::VectorDistance,
     [](bench::Stage& s, Kch_Quantifier& q) {
         Link(s, q, std::make_unique<Kch_VectorChannel>(XMFLOAT4{-8.6f, -5.3f, 3.6f, 1.0f}));
         Link(s, q, std::make_unique<Kch_VectorChannel>(XMFLOAT4{-0.4f, 3.3f, 6.2f, 1.0f}));
     },
     HandVectorDistance},
    {"Spatial", OperationId::MatrixDistance,
     [](bench::Stage& s, Kch_Quantifier& q) {
         Link(s, q, std::make_unique<Kch_MatrixChannel>(Translation(-9.0f, 0.3f, 2.5f)));
         Link(s, q, std::make_unique<Kch_MatrixChannel>(Translation(3.5f, 5.7f, 7.7f)));
     },
     HandMatrixDistance},
    {"Spatial", OperationId::CameraDistance,
     [](bench::Stage& s, Kch_Quantifier& q) {
         Link(s, q, std::make_unique<Kch_MatrixChannel>(Translation(-4.0f, 0.5f, 7.0f)));
     },
     HandCameraDistance},
    {"Stateful", OperationId::WrapAccumulate,
     [](bench::Stage& s, Kch_Quantifier& q) {
         Link(s, q, Float(-2.0f));
         Link(s, q, Float(10.0f));
         Link(s, q, Float(0.37f));
     },
     HandWrapAccumulate},
    {"Text", OperationId::TextFind,
     [](bench::Stage& s, Kch_Quantifier& q) {
         Link(s, q, Text("needle"));
         Link(s, q, Text("a haystack of hay, straw and one needle"));
     },
     HandTextFind},
    {"Query", OperationId::UnsignedValue,
     [](bench::Stage& s, Kch_Quantifier& q) {
         Link(s, q, std::make_unique<Kch_UnsignedChannel>(123456789u));
     },
     HandUnsignedValue},
};

std::string OperationName(OperationId operation) {
    return std::string(FindOperation(static_cast<int>(operation))->name);
}

// Builds the case's channel on `stage`; null when the plug-in is not open.
Kch_Quantifier* Build(bench::Stage& stage, const FamilyCase& c) {
    Kch_Quantifier* quantifier = stage.Add(c.operation);
    if (quantifier != nullptr) c.link(stage, *quantifier);
    return quantifier;
}

// Both sides must give the same bits, render after render (the accumulator's too), or the
// comparison would time two different computations.
bool CheckSidesAgree(const FamilyCase& c) {
    bench::Stage stage;
    Kch_Quantifier* quantifier = Build(stage, c);
    if (quantifier == nullptr) return false;
    HandState hand{0.0f, &stage.camera};
    for (int render = 0; render < 40; ++render) {
        stage.engine.BeginRender();
        const float plugin = quantifier->GetFloat();
        if (!bench::SameBits(plugin, c.handWritten(hand, *quantifier))) return false;
    }
    return true;
}

// Checked once per run, on the benchmark's own inputs, whichever side is timed first.
bool SidesAgree(const FamilyCase& c) {
    static std::map<OperationId, bool> agreed;
    const auto [entry, fresh] = agreed.try_emplace(c.operation, false);
    if (fresh) entry->second = CheckSidesAgree(c);
    return entry->second;
}

void FirstReadPlugin(benchmark::State& state, FamilyCase c) {
    bench::Stage stage;
    if (!bench::RequireOpen(state, stage.plugin)) return;
    if (!SidesAgree(c)) {
        state.SkipWithError("the plug-in and the hand-written function disagree");
        return;
    }
    Kch_FloatChannel* channel = Build(stage, c);
    for (auto _ : state) {
        stage.engine.BeginRender();
        float value = channel->GetFloat();
        benchmark::DoNotOptimize(value);
    }
}

void FirstReadHandWritten(benchmark::State& state, FamilyCase c) {
    bench::Stage stage;
    if (!bench::RequireOpen(state, stage.plugin)) return;
    if (!SidesAgree(c)) {
        state.SkipWithError("the plug-in and the hand-written function disagree");
        return;
    }
    const Orn_Channel* parent = Build(stage, c);
    HandState hand{0.0f, &stage.camera};
    HandWritten handWritten = c.handWritten;
    // One indirect call, as the channel's GetFloat is: the compiler must not inline it.
    benchmark::DoNotOptimize(handWritten);
    for (auto _ : state) {
        stage.engine.BeginRender();
        float value = handWritten(hand, *parent);
        benchmark::DoNotOptimize(value);
    }
}

// ---- the cached read ----

void CachedReadPlugin(benchmark::State& state) {
    bench::Stage stage;
    if (!bench::RequireOpen(state, stage.plugin)) return;
    Kch_FloatChannel* channel = Build(stage, kFamilies[0]);
    stage.engine.BeginRender();
    const float first = channel->GetFloat();
    float value = 0.0f;
    for (auto _ : state) {
        value = channel->GetFloat();
        benchmark::DoNotOptimize(value);
    }
    if (!bench::SameBits(value, first)) state.SkipWithError("a cached read gave another value");
}

void CachedReadVirtualGetter(benchmark::State& state) {
    Kch_FloatChannel plain;
    plain.SetFloat(8.5f);
    Kch_FloatChannel* channel = &plain;
    // The compiler must not see which class the pointer holds, or it would call directly.
    benchmark::DoNotOptimize(channel);
    for (auto _ : state) {
        float value = channel->GetFloat();
        benchmark::DoNotOptimize(value);
    }
}

// ---- TextCount's cache ----

constexpr size_t kCountedTextSize = 1024;

enum class TextChange { Unchanged, Changed };

void TextCountCache(benchmark::State& state, TextChange change) {
    bench::Stage stage;
    if (!bench::RequireOpen(state, stage.plugin)) return;
    Kch_Quantifier* quantifier = stage.Add(OperationId::TextCount);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> letter('a', 'd');
    std::string text(kCountedTextSize, ' ');
    for (char& ch : text)
        ch = static_cast<char>(letter(rng));
    Link(stage, *quantifier, Text("ab"));
    auto& textChild = stage.Own(Text(text.c_str()));
    quantifier->SetChild(&textChild, -1, 0);
    // Both sides renew one time stamp per iteration: the text's, or that of a channel the
    // quantifier does not read.
    auto& unrelated = stage.Own(Text("unrelated"));
    Orn_Channel& renewed = change == TextChange::Changed ? static_cast<Orn_Channel&>(textChild)
                                                         : static_cast<Orn_Channel&>(unrelated);
    stage.engine.BeginRender();
    const float expected = quantifier->GetFloat();
    float value = 0.0f;
    for (auto _ : state) {
        renewed.SetTimeStamp();
        stage.engine.BeginRender();
        value = quantifier->GetFloat();
        benchmark::DoNotOptimize(value);
    }
    if (!bench::SameBits(value, expected) || expected <= 0.0f)
        state.SkipWithError("TextCount gave another count");
    state.counters["count"] = expected;
}

const bool registeredEvaluationBenchmarks = [] {
    benchmark::RegisterBenchmark("CachedRead/plugin", CachedReadPlugin);
    benchmark::RegisterBenchmark("CachedRead/virtual-getter", CachedReadVirtualGetter);
    bench::AddRatio("Cached read / plain virtual getter", "CachedRead/plugin",
                    "CachedRead/virtual-getter", 1.5);

    for (const FamilyCase& c : kFamilies) {
        const std::string prefix = "FirstRead/" + OperationName(c.operation);
        benchmark::RegisterBenchmark((prefix + "/plugin").c_str(), FirstReadPlugin, c);
        benchmark::RegisterBenchmark((prefix + "/hand-written").c_str(), FirstReadHandWritten, c);
        bench::AddRatio(std::string("First read, ") + c.family + ": " + OperationName(c.operation) +
                            " / hand-written",
                        prefix + "/plugin", prefix + "/hand-written", 1.2);
    }

    benchmark::RegisterBenchmark("TextCountCache/unchanged", TextCountCache, TextChange::Unchanged);
    benchmark::RegisterBenchmark("TextCountCache/changed", TextCountCache, TextChange::Changed);
    bench::AddRatio("TextCount, 1 KiB text: unchanged / changed", "TextCountCache/unchanged",
                    "TextCountCache/changed");
    return true;
}();

}  // namespace
