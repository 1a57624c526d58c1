// The live scene as the engine sees it: time stamps, engine objects and entries, texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Kch_TextChannel.h"
#include "Orn_ChannelInternal.h"
#include "Orn_Engine.h"
#include "Orn_Guids.h"
#include "engine/LiveScene.h"
#include "engine/Plugin.h"
#include "scene/SceneParser.h"
#include "support/BuildPaths.h"

using namespace quantifier_run;

namespace {

class LiveSceneTest : public ::testing::Test {
protected:
    Scene Parse(const std::string& text) { return ParseScene(text, "scene.json"); }
    QuantifierPlugin plugin{build_paths::kPlugin};
};

TEST_F(LiveSceneTest, TimeStampsChangeExactlyWhenValuesChange) {
    // Values change at frames 2 and 4 only (NaN to NaN is no change, nor is a repeated -0).
    const Scene scene = Parse(R"({"camera": {"frames": [
            [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]], [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]],
            [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,1,1]], [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,1,1]],
            [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,2,1]], [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,2,1]]]},
        "channels": [
        {"name": "f", "type": "float", "frames": [-0, -0, 1, 1, "nan", "nan"]},
        {"name": "v", "type": "vector", "frames": [[1,2,3,4], [1,2,3,4], [1,2,3,5], [1,2,3,5], [0,0,0,0], [0,0,0,0]]},
        {"name": "t", "type": "text", "frames": ["a", "a", {"units": [97]}, {"units": [97]}, null, null]},
        {"name": "u", "type": "unsigned", "frames": [1, 1, 2, 2, 3, 3]},
        {"name": "o", "type": "object", "frames": [
            [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]], [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]],
            [[2,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]], [[2,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]],
            [[3,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]], [[3,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]]]}]})");
    LiveScene live(scene, plugin);
    Orn_Channel* camera = globalEngine->FindChannel(orn_guid::kCameraChannel, nullptr);
    ASSERT_NE(camera, nullptr);
    std::vector<Orn_Channel*> watched = {camera};
    for (size_t i = 0; i < live.ChannelCount(); ++i)
        watched.push_back(&live.Channel(i));
    std::vector<uint32_t> before;
    for (Orn_Channel* channel : watched)
        before.push_back(channel->GetTimeStamp());
    for (size_t frame = 0; frame < 6; ++frame) {
        live.BeginFrame(frame);
        const bool changes = frame == 2 || frame == 4;
        for (size_t i = 0; i < watched.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(frame) + ", channel " + std::to_string(i));
            EXPECT_EQ(watched[i]->GetTimeStamp() != before[i], changes);
            before[i] = watched[i]->GetTimeStamp();
        }
    }
}

TEST_F(LiveSceneTest, EngineObjectsAreMadeBeforeQuantifiersAndReleasedWithThem) {
    struct Case {
        const char* name;
        const char* scene;
        int timers;
    };
    const Case cases[] = {
        {"a timer for each quantifier",
         R"({"timer": [25, 50], "channels": [{"name": "a", "type": "quantifier", "operation": 7},
                                             {"name": "b", "type": "quantifier", "operation": 7}]})",
         2},
        {"no timer object without a timer",
         R"({"channels": [{"name": "a", "type": "quantifier", "operation": 7}]})", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int timersBefore = Kch_FrameTimer::LiveCount();
        const Scene scene = Parse(c.scene);
        {
            LiveScene live(scene, plugin);
            EXPECT_EQ(Kch_FrameTimer::LiveCount() - timersBefore, c.timers);
            // Quantifiers carry the scene's names, not the one they give themselves.
            EXPECT_STREQ(live.Channel(0).GetChannelName(), "a");
        }
        EXPECT_EQ(Kch_FrameTimer::LiveCount(), timersBefore);
    }
}

TEST_F(LiveSceneTest, EngineEntriesFollowTheSceneAndAreForgotten) {
    const Scene scene = Parse(R"({"windows": ["editor", "palette"], "mainWindow": "editor",
        "groups": [{"name": "level", "path": "levels/one", "window": "palette"}, {"name": "bare"}],
        "channels": [
          {"name": "speed", "type": "float", "value": 2.5, "register": "levels/one/speed.flt"},
          {"name": "call", "type": "float", "interfaceType": 2, "publicCall": "speed.flt"},
          {"name": "lookup", "type": "quantifier", "operation": "PublicCallFloat", "internal": ["call", "speed"],
           "group": "level"},
          {"name": "loose", "type": "quantifier", "operation": "WindowHasFocus", "group": "bare"}]})");
    Orn_Channel* lookup = nullptr;
    {
        LiveScene live(scene, plugin);
        Orn_Channel& speed = live.Channel(0);
        Orn_Channel& call = live.Channel(1);
        lookup = &live.Channel(2);
        EXPECT_EQ(globalEngine->FindChannel(orn_guid::kFloatInterface, "levels/one/speed.flt"),
                  &speed);
        EXPECT_EQ(globalEngine->FindChannel(orn_guid::kFloatInterface, "speed.flt"), nullptr);
        EXPECT_EQ(call.GetChannelInterfaceType(), 2);
        EXPECT_STREQ(channelInternal->GetPublicCallInfo(&call).filePath, "speed.flt");
        EXPECT_EQ(channelInternal->GetInternalChild(lookup, 0), &call);
        EXPECT_EQ(channelInternal->GetInternalChild(lookup, 1), &speed);
        Orn_ChannelGroup* level = lookup->GetChannelGroup();
        ASSERT_NE(level, nullptr);
        EXPECT_STREQ(level->GetGroupPath(), "levels/one");
        Orn_ChannelGroup* bare = live.Channel(3).GetChannelGroup();
        ASSERT_NE(bare, nullptr);
        EXPECT_EQ(bare->GetGroupPath(), nullptr);
        EXPECT_EQ(bare->GetGroupWindow(), nullptr);
        // Windows are distinct handles; the main window is the engine's.
        const OrnWindow main = globalEngine->GetMainWindow();
        EXPECT_NE(main, nullptr);
        EXPECT_NE(level->GetGroupWindow(), nullptr);
        EXPECT_NE(level->GetGroupWindow(), main);
    }
    EXPECT_EQ(channelInternal->GetInternalChild(lookup, 0), nullptr);
}

TEST_F(LiveSceneTest, ATextChannelHoldsWhatTheSceneGives) {
    const Scene scene = Parse(R"({"channels": [
        {"name": "narrow", "type": "text", "value": "\u00e9"},
        {"name": "wide", "type": "text", "wide": true, "value": "\u00e9\ud83d\ude00"},
        {"name": "none", "type": "text"}]})");
    LiveScene live(scene, plugin);
    auto& narrow = static_cast<Kch_TextChannel&>(live.Channel(0));
    auto& wide = static_cast<Kch_TextChannel&>(live.Channel(1));
    auto& none = static_cast<Kch_TextChannel&>(live.Channel(2));
    EXPECT_FALSE(narrow.IsWideText());
    EXPECT_STREQ(narrow.GetText(), "\xC3\xA9");
    ASSERT_TRUE(wide.IsWideText());
    const OrnWideChar* units = wide.GetWideText();
    const std::u16string expected = u"\u00e9\U0001F600";
    EXPECT_EQ(std::u16string(units, units + expected.size()), expected);
    EXPECT_EQ(units[expected.size()], 0);
    EXPECT_EQ(none.GetText(), nullptr);
}

}  // namespace
