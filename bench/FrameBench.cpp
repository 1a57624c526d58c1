// A frame: 1,000 to 1,000,000 quantifiers with a mix of operations of every family but the file and
// window queries (those wait on the system), linked to a pool of host channels and, a quarter of
// their plain float children, to earlier quantifiers, so that values flow through chains of
// channels. One render; the host reads every quantifier once, parents before the channels
// they read, so nested ones are evaluated inside their parent's evaluation and their own read
// is a cached one. Every quantifier is evaluated exactly once per frame.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "BenchSupport.h"
#include "Kch_MatrixChannel.h"
#include "Kch_TextChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"

namespace {

// The same mix at every size: per evaluation, the difference between sizes is what the larger
// frames lose to memory once the scene no longer fits the core's caches.
constexpr int kFrameSizes[] = {1000, 10000, 100000, 1000000};

// How often each operation occurs, in parts of the whole.
struct Share {
    OperationId operation;
    int weight;
};
constexpr Share kMix[] = {
    {OperationId::VectorDistance, 10}, {OperationId::VectorDot, 8},
    {OperationId::VectorLength, 6},    {OperationId::VectorX, 6},
    {OperationId::VectorEqual, 3},     {OperationId::PointInRectangle, 3},
    {OperationId::MatrixDistance, 8},  {OperationId::MatrixDistanceChange, 3},
    {OperationId::CameraDistance, 3},  {OperationId::MatrixBoxVisible, 2},
    {OperationId::MatrixEqual, 2},     {OperationId::WrapAccumulate, 6},
    {OperationId::ClampAccumulate, 5}, {OperationId::Clamp, 9},
    {OperationId::Toggle, 2},          {OperationId::ToggleOnRise, 2},
    {OperationId::ChildTimeStamp, 1},  {OperationId::TextLength, 4},
    {OperationId::TextFind, 3},        {OperationId::TextCount, 3},
    {OperationId::TextToFloat, 3},     {OperationId::TextEqualsIgnoreCase, 2},
    {OperationId::TextCompare, 1},     {OperationId::UnsignedValue, 3},
    {OperationId::ValueMatchA, 2},
};

struct Frame {
    bench::Stage stage;
    std::vector<Kch_FloatChannel*> readOrder;  // parents before the channels they read
    double bytesPerChannel = 0.0;              // heap the quantifiers took, with their links
};

// Bytes the heap has handed out and not taken back.
size_t HeapInUse() {
    return mallinfo2().uordblks;
}

template <class T>
std::vector<T*> Pool(bench::Stage& stage, int count, auto make) {
    std::vector<T*> pool;
    for (int i = 0; i < count; ++i)
        pool.push_back(&stage.Own(make(i)));
    return pool;
}

// Builds the frame; false when the plug-in is not open.
bool BuildFrame(Frame& frame, int channels) {
    bench::Stage& stage = frame.stage;
    if (!stage.plugin.IsOpen()) return false;
    std::mt19937 rng(2024);
    const auto uniform = [&](float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(rng);
    };
    const auto pick = [&](const auto& pool) {
        return pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng)];
    };

    const auto vectors = Pool<Kch_VectorChannel>(stage, 256, [&](int) {
        return std::make_unique<Kch_VectorChannel>(
            XMFLOAT4{uniform(-50, 50), uniform(-50, 50), uniform(-50, 50), 1.0f});
    });
    const auto matrices = Pool<Kch_MatrixChannel>(stage, 128, [&](int) {
        XMMATRIX m = IdentityMatrix();
        m.m[3][0] = uniform(-50, 50), m.m[3][1] = uniform(-5, 5), m.m[3][2] = uniform(-50, 50);
        return std::make_unique<Kch_MatrixChannel>(m);
    });
    const auto floatsWith = [&](float low, float high) {
        return Pool<Kch_FloatChannel>(stage, 64, [&](int) {
            auto channel = std::make_unique<Kch_FloatChannel>();
            channel->SetFloat(uniform(low, high));
            return channel;
        });
    };
    const auto lowFloats = floatsWith(-10.0f, 0.0f), highFloats = floatsWith(1.0f, 10.0f);
    const auto steps = floatsWith(-0.5f, 0.5f), plainFloats = floatsWith(-2.0f, 2.0f);
    const char* const words[] = {"alpha", "beta", "gamma", "delta", "12.5", "-3", "Alpha", "ta"};
    const auto texts = Pool<Kch_TextChannel>(stage, 64, [&](int i) {
        auto channel = std::make_unique<Kch_TextChannel>();
        std::string text = words[i % 8];
        // Half of them are sentences of a few words, which the searches look through.
        if (i % 2 == 1) text = text + " and " + words[(i / 2) % 8] + " with " + words[(i / 3) % 8];
        channel->SetNarrowText(text);
        return channel;
    });
    const auto unsignedValues = Pool<Kch_UnsignedChannel>(stage, 32, [&](int i) {
        return std::make_unique<Kch_UnsignedChannel>(static_cast<uint32_t>(i * 7919));
    });
    const auto matchValues = Pool<Kch_MatchChannelA>(
        stage, 32, [&](int i) { return std::make_unique<Kch_MatchChannelA>(i % 4); });

    std::vector<int> shares;
    for (const Share& share : kMix)
        shares.push_back(share.weight);
    std::discrete_distribution<size_t> operationOf(shares.begin(), shares.end());
    std::vector<Kch_Quantifier*> made;
    // The host's own lists are made beforehand, so that only the channels are counted.
    made.reserve(static_cast<size_t>(channels));
    frame.readOrder.reserve(static_cast<size_t>(channels));
    stage.quantifiers.reserve(static_cast<size_t>(channels));
    const size_t heapBefore = HeapInUse();
    for (int i = 0; i < channels; ++i) {
        const OperationId operation = kMix[operationOf(rng)].operation;
        Kch_Quantifier* quantifier = stage.Add(operation);
        if (quantifier == nullptr) return false;
        const OperationInfo& info = *FindOperation(static_cast<int>(operation));
        for (size_t slot = 0; slot < info.children.size(); ++slot) {
            const ChildSlot& child = info.children[slot];
            Orn_Channel* linked = nullptr;
            switch (child.kind) {
                case ChildKind::Vector:
                    linked = pick(vectors);
                    break;
                case ChildKind::Matrix:
                    linked = pick(matrices);
                    break;
                case ChildKind::Text:
                    linked = pick(texts);
                    break;
                case ChildKind::Unsigned:
                    linked = pick(unsignedValues);
                    break;
                case ChildKind::MatchA:
                    linked = pick(matchValues);
                    break;
                case ChildKind::Any:
                    linked = pick(vectors);
                    break;
                case ChildKind::Float:
                    if (child.role == "min" || child.role == "lower") {
                        linked = pick(lowFloats);
                    } else if (child.role == "max" || child.role == "upper") {
                        linked = pick(highFloats);
                    } else if (child.role == "step") {
                        linked = pick(steps);
                    } else if (!made.empty() && uniform(0.0f, 1.0f) < 0.25f) {
                        linked = pick(made);
                    } else {
                        linked = pick(plainFloats);
                    }
                    break;
                default:
                    return false;  // no such operation in the mix
            }
            quantifier->SetChild(linked, -1, 0);
        }
        made.push_back(quantifier);
    }
    frame.bytesPerChannel =
        static_cast<double>(HeapInUse() - heapBefore) / static_cast<double>(channels);
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        frame.readOrder.push_back(*it);
    return true;
}

void FrameOfQuantifiers(benchmark::State& state, int channels) {
    Frame frame;
    if (!BuildFrame(frame, channels)) {
        bench::RequireOpen(state, frame.stage.plugin);
        if (!state.error_occurred()) state.SkipWithError("the frame could not be built");
        return;
    }
    for (auto _ : state) {
        frame.stage.engine.BeginRender();
        for (Kch_FloatChannel* channel : frame.readOrder) {
            float value = channel->GetFloat();
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetItemsProcessed(state.iterations() * channels);
    state.counters["bytes_per_channel"] = frame.bytesPerChannel;
}

std::string FrameName(int channels) {
    return "Frame/" + std::to_string(channels) + "-quantifiers";
}

std::string FrameFigure(int channels) {
    std::string count = std::to_string(channels);
    for (size_t at = count.size(); at > 3; at -= 3)
        count.insert(at - 3, ",");
    return "Frame of " + count + " quantifiers";
}

const bool registeredFrameBenchmarks = [] {
    for (const int channels : kFrameSizes) {
        auto* benchmark =
            benchmark::RegisterBenchmark(FrameName(channels).c_str(), FrameOfQuantifiers, channels);
        benchmark->Unit(benchmark::kMicrosecond);
        const double target = channels == 10000 ? 20e6 : channels == 1000000 ? 5e6 : 0.0;
        bench::AddRate(FrameFigure(channels), FrameName(channels), channels, "evaluations", target);
    }
    return true;
}();

}  // namespace
