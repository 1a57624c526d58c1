// The sections of a scene file, read into a Scene: windows, groups, channels (each kind's own
// part read by its entry in ChannelKinds), camera, timer, actions, outputs and frame count.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "scene/JsonReader.h"
#include "scene/SceneParser.h"

namespace quantifier_run {

class SceneReader : public JsonReader {
public:
    explicit SceneReader(const JsonDocument& document)
        : JsonReader(document), root(document.Root()) {}

    ParsedScene Parse();

    // Used by the channel kinds.

    // "value" (set once) or "frames" (one per frame), not both; absent: none.
    template <class ReadOne>
    std::optional<Timeline> ReadTimeline(const Json& object, const char* constantKey,
                                         const std::string& where, ReadOne readOne) const {
        const Json* constant = Find(object, constantKey);
        const Json* frames = Find(object, "frames");
        if (constant && frames)
            FailAtKey(*frames, where,
                      std::string("give either \"") + constantKey + "\" or \"frames\", not both");
        Timeline timeline;
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
        } else {
            return std::nullopt;
        }
        return timeline;
    }
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

    const Json& root;
    ParsedScene scene;
    std::map<std::string, size_t> channelIndex;
    std::vector<const Json*> registered;  // each channel's "register", or null
};

}  // namespace quantifier_run
