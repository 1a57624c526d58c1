// The live page's state on its own: the frames the page asks for are observed again once and
// kept for the run they belong to.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "serve/RunChanges.h"
#include "serve/Serve.h"

namespace quantifier_run {
namespace {

// A good run of one float channel whose value at frame f is `base` + f, and the frames its
// observe function was asked for.
struct CountedRun {
    std::shared_ptr<std::vector<size_t>> asked = std::make_shared<std::vector<size_t>>();
    ServedRun run;
};

Observation At(size_t frame, float base) {
    Observation observation;
    observation.frame = frame;
    observation.channels.push_back({});
    observation.channels[0].value = Cell(base + static_cast<float>(frame));
    return observation;
}

CountedRun Counted(size_t frames, float base) {
    CountedRun counted;
    auto scene = std::make_shared<Scene>();
    scene->frames = frames;
    scene->channels.push_back({});
    scene->channels[0].name = "x";
    counted.run.frames = frames;
    counted.run.scene = scene;
    counted.run.last = std::make_shared<const Observation>(At(frames - 1, base));
    counted.run.observe = [asked = counted.asked, base](size_t frame) {
        asked->push_back(frame);
        return At(frame, base);
    };
    return counted;
}

std::string ValueAt(ServeState& state, size_t frame) {
    const std::optional<std::string> values = state.FrameValues(frame, {0});
    if (!values) return "none";
    const size_t start = values->find("\"rows\": [\"") + 10;
    return values->substr(start, values->find('"', start) - start);
}

TEST(ServeStateTest, FramesAskedForAreObservedOnceAndKeptForTheirRun) {
    ServeState state;
    CountedRun first = Counted(40, 0);
    const auto firstAsked = first.asked;
    state.RunSucceeded(std::move(first.run));

    // The last frame is the run's own; any other is observed once, for values and
    // explanations alike.
    EXPECT_EQ(ValueAt(state, 39), "= 39");
    EXPECT_EQ(ValueAt(state, 3), "= 3");
    EXPECT_EQ(ValueAt(state, 3), "= 3");
    EXPECT_TRUE(state.Explanation(0, 3).has_value());
    EXPECT_EQ(*firstAsked, std::vector<size_t>{3});
    EXPECT_EQ(ValueAt(state, 40), "none");
    EXPECT_FALSE(state.Explanation(1, 3).has_value());
    EXPECT_EQ(firstAsked->size(), 1u);

    // Only the last few are kept: after many others, the frame asked for most recently is
    // kept and the first is observed again.
    for (size_t frame = 10; frame < 30; ++frame)
        EXPECT_EQ(ValueAt(state, frame), "= " + std::to_string(frame));
    const size_t observed = firstAsked->size();
    EXPECT_EQ(observed, 21u);
    EXPECT_EQ(ValueAt(state, 29), "= 29");
    EXPECT_EQ(firstAsked->size(), observed);
    EXPECT_EQ(ValueAt(state, 3), "= 3");
    EXPECT_EQ(firstAsked->size(), observed + 1);

    // A new good run's frames are its own: nothing of the last run is kept, and the last run
    // is not asked again.
    CountedRun second = Counted(40, 100);
    const auto secondAsked = second.asked;
    state.RunSucceeded(std::move(second.run));
    EXPECT_EQ(ValueAt(state, 3), "= 103");
    EXPECT_EQ(ValueAt(state, 29), "= 129");
    EXPECT_EQ(ValueAt(state, 3), "= 103");
    EXPECT_EQ(*secondAsked, (std::vector<size_t>{3, 29}));
    EXPECT_EQ(firstAsked->size(), observed + 1);
}

// Channels are matched by name, not by place: one removed before the others moves them all.
TEST(ServeStateTest, ChangesAreFoundByNameWhereverTheChannelsStand) {
    const auto run = [](std::vector<std::pair<std::string, float>> values) {
        Scene scene;
        Observation last;
        for (const auto& [name, value] : values) {
            scene.channels.push_back({});
            scene.channels.back().name = name;
            last.channels.push_back({});
            last.channels.back().value = Cell(value);
        }
        return DigestRun(scene, last);
    };
    const RunDigest before = run({{"gone", 0}, {"same", 1}, {"moved", 2}, {"later", 3}});
    RunDigest after = run({{"same", 1}, {"moved", 2}, {"later", 4}, {"new", 0}});
    EXPECT_EQ(RunChangesJson(CompareRuns(before, after)),
              "{\"changed\": [2], \"added\": [3], \"removed\": [\"gone\"]}");
    // A change earlier in the run counts where the last frame hides it.
    Scene scene;
    scene.channels.resize(1);
    scene.channels[0].name = "wraps";
    Observation last;
    last.channels.resize(1);
    last.channels[0].value = Cell(1.0f);
    last.channels[0].sparkLow = last.channels[0].sparkHigh = {0, 1};
    const RunDigest first = DigestRun(scene, last);
    last.channels[0].sparkHigh = {5, 1};
    EXPECT_EQ(CompareRuns(first, DigestRun(scene, last)).changed, std::vector<size_t>{0});
}

}  // namespace
}  // namespace quantifier_run
