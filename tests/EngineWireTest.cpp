// The engine process's wire refuses what no run can have sent: a kind, an action or an index out
// of range in the request, a text cell of no kind in a row. Each would otherwise be used as it
// is, to index a table or to make a channel of the wrong kind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "engine/ChannelMaking.h"
#include "engine/EngineWire.h"
#include "engine/RunError.h"
#include "scene/SceneParser.h"
#include "support/BuildPaths.h"
#include "support/SeedCorpus.h"

namespace {
using namespace quantifier_run;

template <class E>
E Past() {
    return static_cast<E>(static_cast<int>(EnumLast<E>::value) + 1);
}

// Keys at `frames`, with `count` floats.
Timeline Keyed(std::vector<size_t> frames, size_t count) {
    Timeline keyed = Timeline::Constant(0.0f);
    keyed.values.resize(count, Value(1.0f));
    keyed.perFrame = true;
    keyed.keyFrames = std::move(frames);
    return keyed;
}

TEST(EngineWire, ValuesOutOfRangeAreRefused) {
    struct Case {
        const char* what;
        std::function<void(EngineRequest&)> damage;
    };
    const Case cases[] = {
        {"a channel kind",
         [](EngineRequest& r) { r.scene.channels[0].kind = Past<ChannelKind>(); }},
        {"an action kind", [](EngineRequest& r) { r.scene.actions[0].kind = Past<ActionKind>(); }},
        {"a text kind",
         [](EngineRequest& r) {
             TextValue text;
             text.kind = Past<TextValue::Kind>();
             r.scene.channels[0].value = Timeline::Constant(text);
         }},
        {"a negative kind",
         [](EngineRequest& r) { r.scene.channels[0].kind = static_cast<ChannelKind>(-1); }},
        {"a child", [](EngineRequest& r) { r.scene.channels[0].children = {1}; }},
        {"an output", [](EngineRequest& r) { r.scene.outputs = {1}; }},
        {"an action's channel", [](EngineRequest& r) { r.scene.actions[0].channel = 1; }},
        {"an empty timeline", [](EngineRequest& r) { r.scene.channels[0].value = Timeline{}; }},
        // The engine looks a frame up among the keys by halving.
        {"keys out of order",
         [](EngineRequest& r) {
             r.scene.channels[0].value = Keyed({4, 2}, 2);
         }},
        {"a key without its value",
         [](EngineRequest& r) {
             r.scene.channels[0].value = Keyed({0, 2}, 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineRequest request;
        request.scene.channels.resize(1);
        request.scene.actions.resize(1);
        request.scene.outputs = {0};
        EXPECT_NO_THROW(wire::DecodeRequest(wire::EncodeRequest(request)));
        c.damage(request);
        EXPECT_THROW(wire::DecodeRequest(wire::EncodeRequest(request)), RunError);
    }

    // A row's text cell of no kind, from the engine's side.
    EngineRequest request;
    request.scene.channels.resize(1);
    request.scene.channels[0].kind = ChannelKind::Text;
    request.scene.outputs = {0};
    wire::MessageReader reader(wire::LimitsFor(request, 100), "engine");
    TextValue cell;
    cell.kind = Past<TextValue::Kind>();
    for (const std::vector<uint8_t>& message : {wire::EncodeHello(), wire::EncodeRow({cell})})
        reader.Append(message.data(), message.size());
    ASSERT_EQ(reader.Next(), wire::Tag::Row);
    EXPECT_THROW(reader.Row(), RunError);

    // What slips past every check is a fault of the program, never a float channel.
    EXPECT_THROW(MakerOf(Past<ChannelKind>()), RunError);
}

// The seed corpus of the engine-wire fuzz target, each seed a file: requests encoded from runner
// scenes (the first byte even), and what an engine process sends (odd). The files must be what
// this build encodes, so a new wire version shows here; run with QUANTIFIER_WRITE_CORPUS=1 to
// write them anew. The messages fit the fuzz target's reader: a float and a text output.
TEST(EngineWire, SeedCorpusIsWhatThisBuildEncodes) {
    namespace fs = std::filesystem;
    const fs::path scenes = build_paths::kTestScenes;
    SeedFiles seeds;
    const auto seed = [&](const std::string& file, uint8_t end,
                          const std::vector<std::vector<uint8_t>>& parts) {
        std::vector<uint8_t> bytes{end};
        for (const std::vector<uint8_t>& part : parts)
            bytes.insert(bytes.end(), part.begin(), part.end());
        seeds.emplace_back(file, bytes);
    };
    const auto request = [&](const std::string& scene) {
        EngineRequest made;
        made.scene = LoadSceneFile((scenes / (scene + ".json")).string());
        made.sceneLabel = scene + ".json";
        return made;
    };
    seed("request-actions", 0,
         {wire::EncodeRequest(request("vector-per-frame-actions-before-outputs"))});
    seed("request-every-kind", 0,
         {wire::EncodeRequest(request("other-child-kinds-show-their-values"))});
    seed("request-keys", 0, {wire::EncodeRequest(request("keys-give-the-rows-of-the-list"))});
    EngineRequest observing = request("links-that-do-not-fit-the-operation-are-warned-about");
    observing.observe = ObserveRequest{.frame = 1, .sparkColumns = 4};
    seed("request-observed", 0, {wire::EncodeRequest(observing)});
    const std::string loaded = "loaded-stored-value-is-where-the-counter-starts";
    EngineRequest loading = request(loaded);
    std::ifstream stream(scenes / (loaded + ".orn"), std::ios::binary);
    loading.stream.emplace(std::istreambuf_iterator<char>(stream),
                           std::istreambuf_iterator<char>());
    loading.streamPath = loaded + ".orn";
    loading.save = true;
    seed("request-loaded-and-saved", 0, {wire::EncodeRequest(loading)});

    TextValue narrow{.kind = TextValue::Kind::Narrow, .bytes = "abc", .units = {}};
    TextValue wide{.kind = TextValue::Kind::Wide, .bytes = {}, .units = u"hi"};
    seed("messages-run", 1,
         {wire::EncodeHello(), wire::EncodeWarning("a warning"), wire::EncodeBeforeFrame(0),
          wire::EncodeRow({1.5f, narrow}), wire::EncodeBeforeFrame(1),
          wire::EncodeRow({-0.0f, wide}), wire::EncodeSaved({'O', 'R', 'N', 'S', 1, 0, 0, 0}),
          wire::EncodeDone()});
    seed("messages-failed", 1,
         {wire::EncodeHello(), wire::EncodeFailed(kExitFailure, "scene.json: a failure")});
    Observation seen;
    seen.channels.resize(2);
    seen.channels[0] = {.reads = 3,
                        .evaluations = 1,
                        .operation = 0,
                        .value = 1.0f,
                        .before = 0.0f,
                        .lookupsObserved = true,
                        .lookups = {{ChildKind::Float, 0, 1}, {ChildKind::Float, 1, std::nullopt}},
                        .sparkLow = {0.0f, 1.0f},
                        .sparkHigh = {0.5f, 1.0f}};
    seen.channels[1].value = narrow;
    seed("messages-observed", 1,
         {wire::EncodeHello(), wire::EncodeBeforeFrame(0), wire::EncodeRow({1.0f, narrow}),
          wire::EncodeObserved(seen), wire::EncodeDone()});

    ExpectSeedCorpus("engine-wire", seeds);
    // Every request seed decodes, as the fuzz target's first step needs.
    for (const auto& [file, bytes] : seeds) {
        if (bytes[0] == 0) {
            EXPECT_NO_THROW(wire::DecodeRequest({bytes.begin() + 1, bytes.end()})) << file;
        }
    }
}

}  // namespace
