// The sections of a scene file, read into a Scene: windows, groups, channels (each kind's own
// part read by its entry in ChannelKinds), camera, timer, actions, outputs and frame count.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scene/JsonReader.h"
#include "scene/SceneParser.h"

namespace quantifier_run {

class SceneReader : public JsonReader {
public:
    explicit SceneReader(const JsonDocument& document)
        : JsonReader(document), root(document.Root()) {}

    ParsedScene Parse();

    // Used by the channel kinds.

    // "value" (set once), "frames" (one per frame) or "keys" (each from its frame until the next
    // key), one of them; absent: none. `movable`: "interpolate": "linear" may move the values
    // from key to key.
    template <class ReadOne>
    std::optional<Timeline> ReadTimeline(const Json& object, const char* constantKey,
                                         const std::string& where, ReadOne readOne,
                                         bool movable = false) const {
        const Json* constant = Find(object, constantKey);
        const Json* frames = Find(object, "frames");
        const Json* keys = Find(object, "keys");
        RefuseTwoOf(object, {constantKey, "frames", "keys"}, where);
        Timeline timeline;
        timeline.linear = ReadInterpolation(object, where, movable);
        if (constant) {
            timeline.values.push_back(readOne(*constant, where + "." + constantKey));
        } else if (frames) {
            RequireArray(*frames, where + ".frames");
            if (frames->empty())
                Fail(*frames, where + ".frames", "the list needs at least one value");
            timeline.perFrame = true;
            for (size_t i = 0; i < frames->size(); ++i)
                timeline.values.push_back(
                    readOne((*frames)[i], where + ".frames[" + std::to_string(i) + "]"));
        } else if (keys) {
            timeline.perFrame = true;
            for (const auto& [frame, value] : ReadKeyFrames(*keys, where + ".keys")) {
                timeline.keyFrames.push_back(frame);
                timeline.values.push_back(
                    readOne(*value, where + ".keys." + std::to_string(frame)));
            }
        } else {
            return std::nullopt;
        }
        return timeline;
    }
    // Fails when the object gives two of `keys`, at the second given: "give either "value" or
    // "frames", not both".
    void RefuseTwoOf(const Json& object, std::initializer_list<const char*> keys,
                     const std::string& where) const;
    // "interpolate": "hold" (the default) or, when `movable`, "linear"; only beside "keys".
    bool ReadInterpolation(const Json& object, const std::string& where, bool movable) const;
    // The frames of "keys" and their values, checked to be frame numbers in increasing order.
    std::vector<std::pair<size_t, const Json*>> ReadKeyFrames(const Json& keys,
                                                              const std::string& where) const;
    // The index of the channel a name refers to; any channel of the scene, listed before or
    // after.
    size_t ChannelIndex(const Json& value, const std::string& where) const;
    // An operation by number (any 32-bit number: the channel stores it unchecked, with a
    // warning when it is outside the table) or by name.
    int32_t ReadOperation(const Json& value, const std::string& where);
    // Where the parts of a channel of this scene stand.
    ChannelSource& SourceOf(const ChannelSpec& channel) {
        return scene.source.channels[ChannelIndexOf(channel)];
    }

private:
    // The index of one of this scene's channels.
    size_t ChannelIndexOf(const ChannelSpec& channel) const;
    void ParseWindows();
    std::optional<size_t> WindowIndex(const Json& value, const std::string& where) const;
    void ParseGroups();
    void ParseChannels();
    void ParseChannel(const Json& item, ChannelSpec& channel);
    void ParseEngineLinks(const Json& item, ChannelSpec& channel, const std::string& where);
    void ParseCamera(const Json& item);
    Timeline ParseTimer(const Json& item);
    void ParseActions();
    void ParseOutputs();
    void ParseFrameCount();
    void FindLateKeys();

    const Json& root;
    ParsedScene scene;
    std::map<std::string, size_t> channelIndex;
    std::vector<const Json*> registered;  // each channel's "register", or null
};

}  // namespace quantifier_run
