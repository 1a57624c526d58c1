// Saving and loading the channel: its blocks after the base data, which blocks a load applies,
// refusal of blocks that do not fit their fields, scenes of several channels, and the seed
// corpus of the scene-loader fuzz target.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <ostream>

#include "Orn_FileStream.h"
#include "Orn_Scene.h"
#include "support/FileTestSupport.h"
#include "support/QuantifierTestSupport.h"
#include "support/SceneBytes.h"
#include "support/SeedCorpus.h"

namespace {
using namespace scene_bytes;
using Persistence = QuantifierTest;

constexpr int kToggle = static_cast<int>(OperationId::Toggle);

Bytes SaveOne(Kch_Quantifier& q) {
    OrnFileSaver saver;
    saver.BeginChannel();
    EXPECT_TRUE(q.SaveChannel(saver));
    EXPECT_TRUE(saver.EndChannel());
    return saver.Data();
}

bool LoadOne(Kch_Quantifier& q, const Bytes& stream) {
    OrnFileLoader loader(stream);
    return loader.NextChannel() && q.LoadChannel(loader, nullptr);
}

Bytes BlockData(const Bytes& stream, const std::string& tag) {
    for (const auto& [t, data] : FirstRecordBlocks(stream)) {
        if (t == tag) return data;
    }
    return {};
}

// Everything a save and the accessors can tell about a channel; floats as bytes, so NaN and -0
// compare exactly.
struct Snapshot {
    std::string name;
    Bytes operation, update, toggle, current, vector;
    bool store;
    bool operator==(const Snapshot&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Bytes& bytes) {
    for (uint8_t b : bytes)
        out << ' ' << std::hex << int{b} << std::dec;
    return out;
}
std::ostream& operator<<(std::ostream& out, const Snapshot& s) {
    return out << "{name " << s.name << ", op" << s.operation << ", update" << s.update
               << ", toggle" << s.toggle << ", current" << s.current << ", vector" << s.vector
               << ", store " << s.store << "}";
}

Snapshot Take(Kch_Quantifier& q) {
    // A copy saved with its state shows the fields no accessor reaches.
    Kch_Quantifier copy(q);
    copy.SetStoreCurrentValue(true);
    const Bytes saved = SaveOne(copy);
    return {q.GetChannelName(),       BlockData(saved, "VEOT"), BlockData(saved, "VEUN"),
            BlockData(saved, "VEFF"), BlockData(saved, "VECF"), BlockData(saved, "VECV"),
            q.GetStoreCurrentValue()};
}

Bytes Floats(std::initializer_list<float> values) {
    Bytes out;
    for (float v : values)
        out = Cat({out, Of(v)});
    return out;
}

// A channel with every field away from its initial value: operation 18, option off, toggle 1.0,
// current value 2.5, stored vector (1, -2, 3.5), state stored.
void GiveState(Kch_Quantifier& q, const char* name) {
    ASSERT_TRUE(LoadOne(
        q, Stream({Record({Block("NAME", Text(name)), Block("VEOT", Of(int32_t{kToggle})),
                           Block("VEUN", {0}), Block("VEFF", Of(1.0f)), Block("VECF", Of(2.5f)),
                           Block("VECV", Floats({1.0f, -2.0f, 3.5f}))})})));
}

TEST_F(Persistence, WritesTheOperationAndOptionAlwaysAndTheStateOnRequest) {
    struct Case {
        int operation;
        bool update, store;
        std::vector<std::string> tags;
    };
    const Case cases[] = {
        {5, true, false, {"NAME", "VEOT", "VEUN"}},
        {-2, false, false, {"NAME", "VEOT", "VEUN"}},
        {0x01020304, true, true, {"NAME", "VEOT", "VEUN", "VEFF", "VECF", "VECV"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        Kch_Quantifier& q = NewQuantifier(c.operation);
        q.SetUpdateChannelname(c.update);
        q.SetStoreCurrentValue(c.store);
        q.SetFloat(-0.0f);
        const auto blocks = FirstRecordBlocks(SaveOne(q));
        std::vector<std::string> tags;
        for (const auto& block : blocks)
            tags.push_back(block.first);
        ASSERT_EQ(tags, c.tags);
        EXPECT_EQ(blocks[0].second, Text("Quantifier"));
        EXPECT_EQ(blocks[1].second, U32(static_cast<uint32_t>(c.operation)));
        EXPECT_EQ(blocks[2].second, Bytes{c.update ? uint8_t{1} : uint8_t{0}});
        if (!c.store) continue;
        EXPECT_EQ(blocks[3].second, U32(0));           // toggle state 0.0
        EXPECT_EQ(blocks[4].second, U32(0x80000000));  // -0.0
        EXPECT_EQ(blocks[5].second, Bytes(12, 0));
    }
}

TEST_F(Persistence, RestoresEveryFieldIntoAFreshChannel) {
    Kch_Quantifier& source = NewQuantifier(0);
    GiveState(source, "Door");
    const Snapshot saved = Take(source);
    EXPECT_EQ(saved.vector, Floats({1.0f, -2.0f, 3.5f}));

    Kch_Quantifier& fresh = NewQuantifier(0);
    ASSERT_TRUE(LoadOne(fresh, SaveOne(source)));
    EXPECT_EQ(Take(fresh), saved);
    EXPECT_TRUE(fresh.GetStoreCurrentValue());
    EXPECT_EQ(fresh.GetOperationType(), kToggle);
    EXPECT_FALSE(fresh.GetUpdateChannelname());
    EXPECT_EQ(fresh.Kch_FloatChannel::GetFloat(), 2.5f);
    EXPECT_EQ(Evaluate(fresh), 1.0f) << "the toggle without a trigger shows its restored state";

    // Saved without its state, a channel loaded over one with state keeps that state.
    Kch_Quantifier& stateless = NewQuantifier(7);
    stateless.SetChannelName("Lamp");
    Kch_Quantifier& target = NewQuantifier(0);
    GiveState(target, "Door");
    ASSERT_TRUE(LoadOne(target, SaveOne(stateless)));
    Snapshot expected = saved;
    expected.name = "Lamp";
    expected.operation = U32(7);
    expected.update = {1};
    expected.store = false;
    EXPECT_EQ(Take(target), expected);
}

TEST_F(Persistence, LooksUpEachBlockOnItsOwn) {
    const Bytes name = Block("NAME", Text("Other"));
    const Bytes op = Block("VEOT", Of(int32_t{3}));
    const Bytes update = Block("VEUN", {1});
    const Bytes toggle = Block("VEFF", Of(0.5f));
    const Bytes current = Block("VECF", Of(-7.0f));
    const Bytes vector = Block("VECV", Floats({9, 8, 7}));
    struct Case {
        const char* what;
        Bytes stream;
        std::function<void(Snapshot&)> change;
    };
    const Case cases[] = {
        {"every block, in reverse order",
         Stream({Record({vector, current, toggle, update, op, name})}),
         [](Snapshot& s) {
             s.name = "Other";
             s.operation = U32(3);
             s.update = {1};
             s.toggle = Of(0.5f);
             s.current = Of(-7.0f);
             s.vector = Floats({9, 8, 7});
         }},
        {"current value without the toggle state",
         Stream({Record({name, op, update, current, vector})}),
         [](Snapshot& s) {
             s.name = "Other";
             s.operation = U32(3);
             s.update = {1};
             s.store = false;
         }},
        {"no operation", Stream({Record({update, name})}),
         [](Snapshot& s) {
             s.name = "Other";
             s.update = {1};
             s.store = false;
         }},
        {"only the toggle state", Stream({Record({toggle, name})}),
         [](Snapshot& s) {
             s.name = "Other";
             s.toggle = Of(0.5f);
         }},
        {"blocks of newer channels beside them",
         Stream({Record({Block("VEXX", Bytes(40, 1)), name, op, Block("NOTE", Text("hello"))})}),
         [](Snapshot& s) {
             s.name = "Other";
             s.operation = U32(3);
             s.store = false;
         }},
        {"a state block of any size when the toggle state is absent",
         Stream({Record({name, Block("VECF", Bytes(8, 1)), Block("VECV", {})})}),
         [](Snapshot& s) {
             s.name = "Other";
             s.store = false;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Kch_Quantifier& q = NewQuantifier(0);
        GiveState(q, "Door");
        Snapshot expected = Take(q);
        c.change(expected);
        ASSERT_TRUE(LoadOne(q, c.stream));
        EXPECT_EQ(Take(q), expected);
    }
}

TEST_F(Persistence, RefusesARecordWhoseBlocksDoNotFitTheirFieldsAndChangesNothing) {
    const Bytes name = Block("NAME", Text("Other"));
    const Bytes toggle = Block("VEFF", Of(0.0f));
    struct Case {
        const char* what;
        Bytes record;
    };
    const Case cases[] = {
        {"operation of 0 bytes", Record({name, Block("VEOT", {})})},
        {"operation of 3 bytes", Record({name, Block("VEOT", {1, 2, 3})})},
        {"operation of 8 bytes", Record({name, Block("VEOT", Bytes(8, 0x7F))})},
        {"option of 0 bytes", Record({name, Block("VEUN", {})})},
        {"option of 4 bytes", Record({name, Block("VEUN", U32(1))})},
        {"toggle state of 0 bytes", Record({name, Block("VEFF", {})})},
        {"toggle state of 8 bytes", Record({name, Block("VEFF", Bytes(8, 0x7F))})},
        {"current value of 2 bytes", Record({name, toggle, Block("VECF", {1, 2})})},
        {"current value of 16 bytes", Record({name, toggle, Block("VECF", Bytes(16, 0x7F))})},
        {"stored vector of 8 bytes", Record({name, toggle, Block("VECV", Bytes(8, 0x7F))})},
        {"stored vector of 16 bytes", Record({name, toggle, Block("VECV", Bytes(16, 0x7F))})},
        {"no name", Record({Block("VEOT", Of(int32_t{3})), toggle})},
        {"an empty record", Record({})},
        {"a name holding a NUL",
         Record({Block("NAME", {'a', 0, 'b'}), Block("VEOT", Of(int32_t{3}))})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Kch_Quantifier& q = NewQuantifier(0);
        GiveState(q, "Door");
        const Snapshot before = Take(q);
        EXPECT_FALSE(LoadOne(q, Cat({Header(), c.record})));
        EXPECT_EQ(Take(q), before);
    }

    // Nothing to load from: no record current.
    Kch_Quantifier& q = NewQuantifier(4);
    OrnFileLoader empty(Header());
    EXPECT_FALSE(q.LoadChannel(empty, nullptr));
    EXPECT_EQ(q.GetOperationType(), 4);
}

TEST_F(Persistence, ReadsTheOptionAsAByte) {
    for (uint8_t stored : {0, 1, 2, 0xFF}) {
        SCOPED_TRACE(int{stored});
        Kch_Quantifier& q = NewQuantifier(0);
        q.SetUpdateChannelname(stored == 0);
        ASSERT_TRUE(LoadOne(q, Stream({Record({Block("NAME", {}), Block("VEUN", {stored})})})));
        EXPECT_EQ(q.GetUpdateChannelname(), stored != 0);
        EXPECT_EQ(BlockData(SaveOne(q), "VEUN"), Bytes{stored != 0 ? uint8_t{1} : uint8_t{0}});
    }
}

TEST_F(Persistence, ALoadedToggleStateFlipsToOneUnlessItWasOn) {
    struct Case {
        float loaded, flipped;
    };
    const Case cases[] = {{0.5f, 1.0f},
                          {0.0f, 1.0f},
                          {1.0f, 0.0f},
                          {2.0f, 0.0f},
                          {0.99999994f, 1.0f},
                          {-1.0f, 1.0f},
                          {std::numeric_limits<float>::quiet_NaN(), 1.0f},
                          {std::numeric_limits<float>::infinity(), 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loaded);
        Kch_Quantifier& q = NewQuantifier(0);
        ASSERT_TRUE(
            LoadOne(q, Stream({Record({Block("NAME", {}), Block("VEOT", Of(int32_t{kToggle})),
                                       Block("VEFF", Of(c.loaded))})})));
        EXPECT_TRUE(SameBits(c.loaded, Evaluate(q)));
        q.CallChannel();
        EXPECT_TRUE(SameBits(c.flipped, Evaluate(q)));
    }
}

TEST_F(Persistence, StateResumesAfterSaveAndLoadAsIfNeverInterrupted) {
    // Two toggles driven by one trigger; half-way one is saved and replaced by a loaded copy.
    Kch_Quantifier& steady = NewQuantifier(OperationId::Toggle);
    Kch_FloatChannel& trigger = AddFloat(steady, 0.0f);
    Kch_Quantifier* resumed = &NewQuantifier(OperationId::Toggle);
    resumed->SetStoreCurrentValue(true);
    resumed->SetChild(&trigger, -1, 0);
    const float triggers[] = {1, 0, 1, 1, 0.5f, 1, 0, 1};
    for (size_t i = 0; i < std::size(triggers); ++i) {
        SCOPED_TRACE(i);
        if (i == 4) {
            Kch_Quantifier& loaded = NewQuantifier(0);
            ASSERT_TRUE(LoadOne(loaded, SaveOne(*resumed)));
            EXPECT_TRUE(SameBits(resumed->Kch_FloatChannel::GetFloat(),
                                 loaded.Kch_FloatChannel::GetFloat()));
            loaded.SetChild(&trigger, -1, 0);
            resumed = &loaded;
        }
        trigger.SetFloat(triggers[i]);
        engine.BeginRender();
        EXPECT_TRUE(SameBits(steady.GetFloat(), resumed->GetFloat()));
    }
}

TEST_F(Persistence, ASceneOfSeveralChannelsComesBackByName) {
    Kch_Quantifier& speed = NewQuantifier(OperationId::VectorLength);
    Kch_Quantifier& door = NewQuantifier(0);
    GiveState(door, "Door");
    Kch_Quantifier& counter = NewQuantifier(OperationId::WrapAccumulate);
    counter.SetChannelName("Counter");
    counter.SetUpdateChannelname(false);
    speed.SetChannelName("Speed");
    const std::vector<Orn_Channel*> scene = {&speed, &door, &counter};
    std::map<std::string, Snapshot> expected;
    for (Kch_Quantifier* q : {&speed, &door, &counter})
        expected[q->GetChannelName()] = Take(*q);

    const TempDirectory folder;
    const std::string path = folder.Path("scene.orns");
    std::string error;
    ASSERT_TRUE(OrnSaveSceneToFile(path, scene, &error)) << error;

    Orn_ChannelGroup group;
    OrnFileLoader loader = OrnFileLoader::FromFile(path);
    std::vector<std::unique_ptr<Orn_Channel>> loaded;
    ASSERT_TRUE(OrnLoadScene(
        loader, [] { return std::unique_ptr<Orn_Channel>(InitDLL()); }, &group, loaded, &error))
        << error;
    ASSERT_EQ(loaded.size(), 3u);
    for (auto& channel : loaded) {
        auto& q = static_cast<Kch_Quantifier&>(*channel);
        SCOPED_TRACE(q.GetChannelName());
        ASSERT_EQ(expected.count(q.GetChannelName()), 1u);
        EXPECT_EQ(Take(q), expected[q.GetChannelName()]);
        EXPECT_EQ(q.GetChannelGroup(), &group);
    }

    // A damaged last channel spoils the whole load, and a failing save the whole file.
    Bytes bytes;
    ASSERT_TRUE(OrnReadFile(path, bytes));
    const Bytes damaged = Cat({bytes, Record({Block("NAME", {}), Block("VEOT", {1})})});
    OrnFileLoader spoiled(damaged);
    EXPECT_FALSE(OrnLoadScene(
        spoiled, [] { return std::unique_ptr<Orn_Channel>(InitDLL()); }, &group, loaded, &error));
    EXPECT_TRUE(loaded.empty());
    EXPECT_NE(error.find("record 3"), std::string::npos) << error;
    const std::vector<Orn_Channel*> withNull = {&speed, nullptr};
    EXPECT_FALSE(OrnSaveSceneToFile(path, withNull, &error));
    Bytes after;
    ASSERT_TRUE(OrnReadFile(path, after));
    EXPECT_EQ(after, bytes);
}

TEST_F(Persistence, SavesNothingMoreWhenTheBaseFails) {
    Kch_Quantifier& q = NewQuantifier(3);
    q.SetStoreCurrentValue(true);
    OrnFileSaver saver;  // no record open: the base's name block is refused
    EXPECT_FALSE(q.SaveChannel(saver));
    EXPECT_EQ(saver.Data(), Header());
}

// The seed corpus of the scene-loader fuzz target: saved scenes, each checked in as a file. The
// files must match what this build saves, so a change of the encoding shows here; run with
// QUANTIFIER_WRITE_CORPUS=1 to write them anew.
TEST_F(Persistence, SeedCorpusMatchesTheScenesThisBuildSaves) {
    SeedFiles seeds;
    auto save = [&](const std::string& file, std::vector<Orn_Channel*> channels) {
        OrnFileSaver saver;
        ASSERT_TRUE(OrnSaveScene(saver, channels));
        seeds.emplace_back(file, saver.Data());
    };
    save("empty.orns", {});
    Kch_Quantifier& plain = NewQuantifier(OperationId::VectorDistance);
    save("plain.orns", {&plain});
    Kch_Quantifier& state = NewQuantifier(0);
    GiveState(state, "Door");
    save("state.orns", {&state});
    Kch_Quantifier& odd = NewQuantifier(-1);
    odd.SetStoreCurrentValue(true);
    odd.SetFloat(std::numeric_limits<float>::quiet_NaN());
    odd.SetChannelName("");
    save("several.orns", {&plain, &state, &odd});
    seeds.emplace_back(
        "reordered.orns",
        Stream({Record({Block("VECV", Floats({1, 2, 3})), Block("VEXX", Text("newer")),
                        Block("VEFF", Of(0.5f)), Block("VEUN", {2}), Block("NAME", Text("Back")),
                        Block("VEOT", Of(int32_t{kToggle}))})}));
    seeds.emplace_back("wrong-size.orns",
                       Stream({Record({Block("NAME", {}), Block("VEOT", {1, 2})})}));

    ExpectSeedCorpus("scene", seeds);
}

}  // namespace
