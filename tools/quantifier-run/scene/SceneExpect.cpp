#include "scene/SceneExpect.h"

#include <limits>

#include "scene/ChannelKinds.h"
#include "scene/SceneKeys.h"
#include "scene/SceneReader.h"

namespace quantifier_run {
namespace {

// A value as an output of the channel's kind shows it: an object shows its test result, 1 or 0.
Value ReadShown(const SceneReader& reader, ChannelKind kind, const Json& value,
                const std::string& where) {
    switch (kind) {
        case ChannelKind::Vector:
            return reader.ReadVector(value, where);
        case ChannelKind::Matrix:
            return reader.ReadMatrix(value, where);
        case ChannelKind::Text:
            return ReadSceneText(reader, value, false, where);
        case ChannelKind::Unsigned:
            return static_cast<uint32_t>(
                reader.ReadInteger(value, where, 0, std::numeric_limits<uint32_t>::max()));
        case ChannelKind::MatchA:
        case ChannelKind::MatchB:
            return static_cast<int32_t>(reader.ReadInteger(value, where,
                                                           std::numeric_limits<int32_t>::min(),
                                                           std::numeric_limits<int32_t>::max()));
        case ChannelKind::Float:
        case ChannelKind::Quantifier:
        case ChannelKind::Object:
            break;
    }
    return reader.ReadFloat(value, where);
}

// "frame": N, or "frames": [first, last].
void ReadFrames(const SceneReader& reader, const Json& item, const std::string& where,
                Expectation& expected) {
    reader.RefuseTwoOf(item, {"frame", "frames"}, where);
    if (const Json* frame = JsonReader::Find(item, "frame")) {
        expected.first = expected.last =
            static_cast<size_t>(reader.ReadInteger(*frame, where + ".frame", 0, kMostFrames));
        return;
    }
    const Json* frames = JsonReader::Find(item, "frames");
    if (frames == nullptr)
        reader.Fail(item, where, "give the \"frame\" or the \"frames\" it holds at");
    if (!frames->is_array() || frames->size() != 2)
        reader.Fail(
            *frames, where + ".frames",
            "expected [first, last], the frames it holds at, got " + JsonReader::Describe(*frames));
    expected.first =
        static_cast<size_t>(reader.ReadInteger((*frames)[0], where + ".frames[0]", 0, kMostFrames));
    expected.last =
        static_cast<size_t>(reader.ReadInteger((*frames)[1], where + ".frames[1]", 0, kMostFrames));
    if (expected.last < expected.first)
        reader.Fail(
            (*frames)[1], where + ".frames[1]",
            "the last frame comes before the first (" + std::to_string(expected.first) + ")");
}

// "tolerance" or "ulps", for a value that is a float.
void ReadTolerance(const SceneReader& reader, const Json& item, const std::string& where,
                   Expectation& expected) {
    reader.RefuseTwoOf(item, {"tolerance", "ulps"}, where);
    const Json* tolerance = JsonReader::Find(item, "tolerance");
    const Json* ulps = JsonReader::Find(item, "ulps");
    const Json* given = tolerance ? tolerance : ulps;
    if (given == nullptr) return;
    if (!std::holds_alternative<float>(expected.value))
        reader.FailAtKey(*given, where,
                         "only a number is compared within a tolerance; other values compare "
                         "as the rows print them");
    if (ulps) {
        expected.ulps = static_cast<uint32_t>(
            reader.ReadInteger(*ulps, where + ".ulps", 0, std::numeric_limits<int32_t>::max()));
        return;
    }
    const float amount = reader.ReadFloat(*tolerance, where + ".tolerance");
    if (!(amount >= 0.0f))
        reader.Fail(*tolerance, where + ".tolerance", "a tolerance is a number 0 or above");
    expected.tolerance = amount;
}

}  // namespace

std::vector<Expectation> ReadExpectations(const SceneReader& reader, const Json& root,
                                          const Scene& scene) {
    std::vector<Expectation> expectations;
    const Json* list = JsonReader::Find(root, "expect");
    if (list == nullptr) return expectations;
    reader.RequireArray(*list, "expect");
    for (size_t i = 0; i < list->size(); ++i) {
        const Json& item = (*list)[i];
        const std::string where = "expect[" + std::to_string(i) + "]";
        if (!item.is_object())
            reader.Fail(item, where, "expected an object, got " + JsonReader::Describe(item));
        reader.CheckKeys(item, where, KeyNames(KeysOf(SceneObject::Expect)));
        if (const Json* d = JsonReader::Find(item, "description"); d && !d->is_string())
            reader.Fail(*d, where + ".description",
                        "expected a text, got " + JsonReader::Describe(*d));
        Expectation expected;
        expected.where = where;
        expected.at = reader.Document().PositionOf(item);
        ReadFrames(reader, item, where, expected);
        expected.channel =
            reader.ChannelIndex(reader.Require(item, "channel", where), where + ".channel");
        const Json& value = reader.Require(item, "value", where);
        expected.valueAt = reader.Document().PositionOf(value);
        expected.value =
            ReadShown(reader, scene.channels[expected.channel].kind, value, where + ".value");
        ReadTolerance(reader, item, where, expected);
        expectations.push_back(std::move(expected));
    }
    return expectations;
}

}  // namespace quantifier_run
