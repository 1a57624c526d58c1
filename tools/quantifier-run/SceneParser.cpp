#include "SceneParser.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <sstream>

#include "JsonDocument.h"
#include "OperationTable.h"
#include "Orn_Records.h"
#include "RunError.h"
#include "Suggestions.h"

namespace quantifier_run {

const char* ChannelKindName(ChannelKind kind) {
    switch (kind) {
        case ChannelKind::Float:
            return "float";
        case ChannelKind::Vector:
            return "vector";
        case ChannelKind::Matrix:
            return "matrix";
        case ChannelKind::Text:
            return "text";
        case ChannelKind::Quantifier:
            return "quantifier";
        case ChannelKind::Object:
            return "object";
        case ChannelKind::Unsigned:
            return "unsigned";
        case ChannelKind::MatchA:
            return "matchA";
        case ChannelKind::MatchB:
            return "matchB";
    }
    return "?";
}

namespace {

constexpr ChannelKind kAllKinds[] = {
    ChannelKind::Float,    ChannelKind::Vector,     ChannelKind::Matrix,
    ChannelKind::Text,     ChannelKind::Quantifier, ChannelKind::Object,
    ChannelKind::Unsigned, ChannelKind::MatchA,     ChannelKind::MatchB};

struct ActionName {
    const char* name;
    ActionKind kind;
};
constexpr ActionName kActions[] = {
    {"CallChannel", ActionKind::CallChannel},
    {"IncreaseInvalidateCount", ActionKind::IncreaseInvalidateCount},
    {"SetOperationType", ActionKind::SetOperationType},
    {"SetStoreCurrentValue", ActionKind::SetStoreCurrentValue},
    {"SetUpdateChannelname", ActionKind::SetUpdateChannelname},
};

std::string Describe(const Json& value) {
    if (value.is_string()) return "the text " + Quoted(value.get<std::string>());
    if (value.is_number()) return "the number " + value.dump();
    if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
    if (value.is_null()) return "null";
    if (value.is_array()) return "a list of " + std::to_string(value.size());
    return "an object";
}

class Parser {
public:
    Parser(const Json& root, std::string fileLabel) : root(root), fileLabel(std::move(fileLabel)) {}

    Scene Parse() {
        if (!root.is_object()) Fail("", "a scene is a JSON object, not " + Describe(root));
        CheckKeys(root, "",
                  {"$schema", "description", "frames", "camera", "timer", "windows", "mainWindow",
                   "groups", "channels", "actions", "outputs"});
        // Texts for people and editors, which the run ignores.
        for (const char* key : {"$schema", "description"}) {
            if (const Json* d = Find(root, key); d && !d->is_string())
                Fail(key, "expected a text, got " + Describe(*d));
        }
        ParseWindows();
        ParseGroups();
        ParseChannels();
        if (const Json* camera = Find(root, "camera")) ParseCamera(*camera);
        if (const Json* timer = Find(root, "timer")) scene.timer = ParseTimer(*timer);
        ParseActions();
        ParseOutputs();
        ParseFrameCount();
        return std::move(scene);
    }

private:
    [[noreturn]] void Fail(const std::string& where, const std::string& message) const {
        throw RunError(kExitBadInput,
                       fileLabel + ": " + (where.empty() ? "" : where + ": ") + message);
    }

    static const Json* Find(const Json& object, const char* key) {
        const auto found = object.find(key);
        return found == object.end() ? nullptr : &*found;
    }

    void CheckKeys(const Json& object, const std::string& where,
                   std::initializer_list<const char*> allowed) const {
        std::vector<std::string> names(allowed.begin(), allowed.end());
        for (const auto& item : object.items()) {
            if (std::find(names.begin(), names.end(), item.key()) == names.end())
                Fail(where, "unknown key " + Quoted(item.key()) + DidYouMean(item.key(), names));
        }
    }

    const Json& Require(const Json& object, const char* key, const std::string& where) const {
        const Json* value = Find(object, key);
        if (value == nullptr) Fail(where, std::string("\"") + key + "\" is missing");
        return *value;
    }

    const Json& RequireArray(const Json& value, const std::string& where) const {
        if (!value.is_array()) Fail(where, "expected a list, got " + Describe(value));
        return value;
    }

    std::string ReadName(const Json& value, const std::string& where) const {
        if (!value.is_string()) Fail(where, "expected a name, got " + Describe(value));
        std::string name = value.get<std::string>();
        // Names reach the engine as NUL-terminated text.
        if (name.empty() || name.find('\0') != std::string::npos)
            Fail(where, "a name is a non-empty text without NUL");
        return name;
    }

    std::optional<std::string> ReadOptionalText(const Json& value, const std::string& where) const {
        if (value.is_null()) return std::nullopt;
        if (!value.is_string()) Fail(where, "expected a text or null, got " + Describe(value));
        std::string text = value.get<std::string>();
        if (text.find('\0') != std::string::npos) Fail(where, "a path holds no NUL");
        return text;
    }

    bool ReadBool(const Json& value, const std::string& where) const {
        if (!value.is_boolean()) Fail(where, "expected true or false, got " + Describe(value));
        return value.get<bool>();
    }

    int64_t ReadInteger(const Json& value, const std::string& where, int64_t lowest,
                        int64_t highest) const {
        const std::string range = std::to_string(lowest) + ".." + std::to_string(highest);
        if (!value.is_number_integer())
            Fail(where, "expected a whole number in " + range + ", got " + Describe(value));
        if (value.is_number_unsigned()) {
            const uint64_t n = value.get<uint64_t>();
            if (n > static_cast<uint64_t>(highest))
                Fail(where, value.dump() + " is outside " + range);
            return static_cast<int64_t>(n);
        }
        const int64_t n = value.get<int64_t>();
        if (n < lowest || n > highest) Fail(where, value.dump() + " is outside " + range);
        return n;
    }

    float ReadFloat(const Json& value, const std::string& where) const {
        if (value.is_number_float()) return value.get<float>();
        // One rounding from the integer to the nearest float.
        if (value.is_number_unsigned()) return static_cast<float>(value.get<uint64_t>());
        if (value.is_number_integer()) return static_cast<float>(value.get<int64_t>());
        if (value.is_string()) {
            const std::string text = value.get<std::string>();
            if (text == "nan") return std::numeric_limits<float>::quiet_NaN();
            if (text == "inf") return std::numeric_limits<float>::infinity();
            if (text == "-inf") return -std::numeric_limits<float>::infinity();
        }
        Fail(where, "expected a number, \"nan\", \"inf\" or \"-inf\", got " + Describe(value));
    }

    template <size_t N>
    void ReadFloats(const Json& value, const std::string& where, float (&out)[N],
                    const char* shape) const {
        if (!value.is_array() || value.size() != N)
            Fail(where, std::string("expected ") + shape + ", got " + Describe(value));
        for (size_t i = 0; i < N; ++i)
            out[i] = ReadFloat(value[i], where + "[" + std::to_string(i) + "]");
    }

    XMFLOAT4 ReadVector(const Json& value, const std::string& where) const {
        float v[4];
        ReadFloats(value, where, v, "a vector of 4 numbers [x, y, z, w]");
        return {v[0], v[1], v[2], v[3]};
    }

    XMFLOAT3 ReadPoint(const Json& value, const std::string& where) const {
        float v[3];
        ReadFloats(value, where, v, "a point of 3 numbers [x, y, z]");
        return {v[0], v[1], v[2]};
    }

    XMMATRIX ReadMatrix(const Json& value, const std::string& where) const {
        if (!value.is_array() || value.size() != 4)
            Fail(where, "expected a matrix of 4 rows of 4 numbers, got " + Describe(value));
        XMMATRIX m{};
        for (size_t row = 0; row < 4; ++row) {
            const std::string at = where + "[" + std::to_string(row) + "]";
            ReadFloats(value[row], at, m.m[row], "a row of 4 numbers");
        }
        return m;
    }

    static std::u16string Utf16(const std::string& utf8) {
        // The JSON reader only lets valid UTF-8 through.
        std::u16string units;
        for (size_t i = 0; i < utf8.size();) {
            const auto lead = static_cast<unsigned char>(utf8[i]);
            const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            char32_t code = length == 1   ? lead
                            : length == 2 ? (lead & 0x1F)
                            : length == 3 ? (lead & 0x0F)
                                          : (lead & 0x07);
            for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
                code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            i += length;
            if (code >= 0x10000) {
                code -= 0x10000;
                units += static_cast<char16_t>(0xD800 + (code >> 10));
                units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
            } else {
                units += static_cast<char16_t>(code);
            }
        }
        return units;
    }

    TextValue ReadRawText(const Json& list, bool wide, const std::string& where) const {
        RequireArray(list, where);
        TextValue text;
        text.kind = wide ? TextValue::Kind::Wide : TextValue::Kind::Narrow;
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string at = where + "[" + std::to_string(i) + "]";
            if (wide) {
                text.units += static_cast<char16_t>(ReadInteger(list[i], at, 0, 0xFFFF));
            } else {
                text.bytes +=
                    static_cast<char>(static_cast<uint8_t>(ReadInteger(list[i], at, 0, 0xFF)));
            }
        }
        return text;
    }

    // A text: a JSON text (its UTF-8 bytes, or its UTF-16 units when `wide`), null for no
    // text, or {"bytes": [...]} / {"units": [...]} for raw codes.
    TextValue ReadText(const Json& value, bool wide, const std::string& where) const {
        TextValue text;
        if (value.is_null()) return text;
        if (value.is_string()) {
            if (wide) {
                text.kind = TextValue::Kind::Wide;
                text.units = Utf16(value.get<std::string>());
            } else {
                text.kind = TextValue::Kind::Narrow;
                text.bytes = value.get<std::string>();
            }
            return text;
        }
        if (value.is_object() && value.size() == 1) {
            if (const Json* bytes = Find(value, "bytes"))
                return ReadRawText(*bytes, false, where + ".bytes");
            if (const Json* units = Find(value, "units"))
                return ReadRawText(*units, true, where + ".units");
        }
        Fail(where, "expected a text, null, {\"bytes\": [...]} or {\"units\": [...]}, got " +
                        Describe(value));
    }

    Value ReadValue(const ChannelSpec& channel, const Json& value, bool wide,
                    const std::string& where) const {
        switch (channel.kind) {
            case ChannelKind::Float:
            case ChannelKind::Quantifier:
                return ReadFloat(value, where);
            case ChannelKind::Vector:
                return ReadVector(value, where);
            case ChannelKind::Matrix:
            case ChannelKind::Object:
                return ReadMatrix(value, where);
            case ChannelKind::Text:
                return ReadText(value, wide, where);
            case ChannelKind::Unsigned:
                return static_cast<uint32_t>(
                    ReadInteger(value, where, 0, std::numeric_limits<uint32_t>::max()));
            case ChannelKind::MatchA:
            case ChannelKind::MatchB:
                return static_cast<int32_t>(ReadInteger(value, where,
                                                        std::numeric_limits<int32_t>::min(),
                                                        std::numeric_limits<int32_t>::max()));
        }
        Fail(where, "no value");
    }

    // "value" (set once) or "frames" (one per frame), not both; absent: none.
    template <class ReadOne>
    std::optional<Timeline> ReadTimeline(const Json& object, const char* constantKey,
                                         const std::string& where, ReadOne readOne) const {
        const Json* constant = Find(object, constantKey);
        const Json* frames = Find(object, "frames");
        if (constant && frames)
            Fail(where, std::string("give either \"") + constantKey + "\" or \"frames\", not both");
        Timeline timeline;
        if (constant) {
            timeline.values.push_back(readOne(*constant, where + "." + constantKey));
        } else if (frames) {
            RequireArray(*frames, where + ".frames");
            if (frames->empty()) Fail(where + ".frames", "the list needs at least one value");
            timeline.perFrame = true;
            for (size_t i = 0; i < frames->size(); ++i)
                timeline.values.push_back(
                    readOne((*frames)[i], where + ".frames[" + std::to_string(i) + "]"));
        } else {
            return std::nullopt;
        }
        return timeline;
    }

    size_t ChannelIndex(const Json& value, const std::string& where) const {
        const std::string name = ReadName(value, where);
        const auto found = channelIndex.find(name);
        if (found == channelIndex.end()) {
            std::vector<std::string> names;
            for (const auto& entry : channelIndex)
                names.push_back(entry.first);
            Fail(where, "no channel is named " + Quoted(name) + DidYouMean(name, names));
        }
        return found->second;
    }

    std::optional<size_t> WindowIndex(const Json& value, const std::string& where) const {
        if (value.is_null()) return std::nullopt;
        const std::string name = ReadName(value, where);
        for (size_t i = 0; i < scene.windows.size(); ++i) {
            if (scene.windows[i] == name) return i;
        }
        Fail(where, "no window is named " + Quoted(name) + " (list it under \"windows\")" +
                        DidYouMean(name, scene.windows));
    }

    // An operation by number (any 32-bit number: the channel stores it unchecked) or by name.
    int32_t ReadOperation(const Json& value, const std::string& where) {
        if (value.is_string()) {
            const std::string name = value.get<std::string>();
            if (const auto id = FindOperationByName(name)) return static_cast<int32_t>(*id);
            std::vector<std::string> names;
            for (const OperationInfo& info : kOperations)
                names.emplace_back(info.name);
            Fail(where, "unknown operation " + Quoted(name) + DidYouMean(name, names));
        }
        const auto number =
            static_cast<int32_t>(ReadInteger(value, where, std::numeric_limits<int32_t>::min(),
                                             std::numeric_limits<int32_t>::max()));
        if (FindOperation(number) == nullptr)
            scene.warnings.push_back(where + ": operation " + std::to_string(number) +
                                     " is outside 0.." + std::to_string(kOperationCount - 1) +
                                     " and evaluates to 0");
        return number;
    }

    void ParseWindows() {
        if (const Json* windows = Find(root, "windows")) {
            RequireArray(*windows, "windows");
            for (size_t i = 0; i < windows->size(); ++i) {
                const std::string where = "windows[" + std::to_string(i) + "]";
                std::string name = ReadName((*windows)[i], where);
                if (std::find(scene.windows.begin(), scene.windows.end(), name) !=
                    scene.windows.end())
                    Fail(where, "window " + Quoted(name) + " is listed twice");
                scene.windows.push_back(std::move(name));
            }
        }
        if (const Json* main = Find(root, "mainWindow"))
            scene.mainWindow = WindowIndex(*main, "mainWindow");
    }

    void ParseGroups() {
        const Json* groups = Find(root, "groups");
        if (groups == nullptr) return;
        RequireArray(*groups, "groups");
        for (size_t i = 0; i < groups->size(); ++i) {
            const Json& item = (*groups)[i];
            std::string where = "groups[" + std::to_string(i) + "]";
            if (!item.is_object()) Fail(where, "expected an object, got " + Describe(item));
            CheckKeys(item, where, {"name", "path", "window"});
            GroupSpec group;
            group.name = ReadName(Require(item, "name", where), where + ".name");
            where = "group " + Quoted(group.name);
            for (const GroupSpec& other : scene.groups) {
                if (other.name == group.name) Fail(where, "the name is given to two groups");
            }
            if (const Json* path = Find(item, "path"))
                group.path = ReadOptionalText(*path, where + ".path");
            if (const Json* window = Find(item, "window"))
                group.window = WindowIndex(*window, where + ".window");
            scene.groups.push_back(std::move(group));
        }
    }

    std::optional<ChannelKind> KindNamed(const std::string& name) const {
        for (ChannelKind kind : kAllKinds) {
            if (name == ChannelKindName(kind)) return kind;
        }
        return std::nullopt;
    }

    void ParseChannels() {
        const Json& channels = RequireArray(Require(root, "channels", ""), "channels");
        // Names and kinds first: children may name channels listed after their parent.
        for (size_t i = 0; i < channels.size(); ++i) {
            const Json& item = channels[i];
            const std::string where = "channels[" + std::to_string(i) + "]";
            if (!item.is_object()) Fail(where, "expected an object, got " + Describe(item));
            ChannelSpec channel;
            channel.name = ReadName(Require(item, "name", where), where + ".name");
            const std::string named = "channel " + Quoted(channel.name);
            if (!channelIndex.emplace(channel.name, i).second)
                Fail(named, "the name is given to two channels");
            const Json& type = Require(item, "type", named);
            if (!type.is_string())
                Fail(named + ".type", "expected a channel type, got " + Describe(type));
            const auto kind = KindNamed(type.get<std::string>());
            if (!kind) {
                std::vector<std::string> kinds;
                for (ChannelKind k : kAllKinds)
                    kinds.emplace_back(ChannelKindName(k));
                Fail(named, "unknown channel type " + Quoted(type.get<std::string>()) +
                                DidYouMean(type.get<std::string>(), kinds));
            }
            channel.kind = *kind;
            scene.channels.push_back(std::move(channel));
        }
        for (size_t i = 0; i < channels.size(); ++i)
            ParseChannel(channels[i], scene.channels[i]);
        std::map<std::string, std::string> registered;
        for (const ChannelSpec& channel : scene.channels) {
            if (!channel.registeredName) continue;
            const auto [entry, added] = registered.emplace(*channel.registeredName, channel.name);
            if (!added)
                Fail("channel " + Quoted(channel.name) + ".register",
                     Quoted(*channel.registeredName) + " is already registered by channel " +
                         Quoted(entry->second));
        }
    }

    void ParseChannel(const Json& item, ChannelSpec& channel) {
        const std::string where = "channel " + Quoted(channel.name);
        switch (channel.kind) {
            case ChannelKind::Text:
                CheckKeys(item, where,
                          {"name", "type", "group", "internal", "interfaceType", "publicCall",
                           "register", "value", "frames", "wide", "bytes", "units"});
                break;
            case ChannelKind::Quantifier:
                CheckKeys(
                    item, where,
                    {"name", "type", "group", "internal", "interfaceType", "publicCall", "register",
                     "value", "operation", "children", "storeCurrentValue", "updateChannelname"});
                break;
            case ChannelKind::Object:
                CheckKeys(item, where,
                          {"name", "type", "group", "internal", "interfaceType", "publicCall",
                           "register", "value", "frames", "region", "innerObject"});
                break;
            default:
                CheckKeys(item, where,
                          {"name", "type", "group", "internal", "interfaceType", "publicCall",
                           "register", "value", "frames"});
                break;
        }
        ParseEngineLinks(item, channel, where);
        if (channel.kind == ChannelKind::Text) {
            ParseTextValue(item, channel, where);
        } else if (channel.kind == ChannelKind::Quantifier) {
            ParseQuantifier(item, channel, where);
        } else {
            channel.value =
                ReadTimeline(item, "value", where, [&](const Json& v, const std::string& at) {
                    return ReadValue(channel, v, false, at);
                });
        }
        if (channel.kind == ChannelKind::Object) ParseObject(item, channel, where);
    }

    void ParseEngineLinks(const Json& item, ChannelSpec& channel, const std::string& where) {
        if (const Json* group = Find(item, "group")) {
            const std::string name = ReadName(*group, where + ".group");
            std::vector<std::string> names;
            for (size_t g = 0; g < scene.groups.size(); ++g) {
                if (scene.groups[g].name == name) channel.group = g;
                names.push_back(scene.groups[g].name);
            }
            if (!channel.group)
                Fail(where + ".group", "no group is named " + Quoted(name) +
                                           " (list it under \"groups\")" + DidYouMean(name, names));
        }
        if (const Json* internal = Find(item, "internal")) {
            RequireArray(*internal, where + ".internal");
            for (size_t k = 0; k < internal->size(); ++k)
                channel.internalChildren.push_back(
                    ChannelIndex((*internal)[k], where + ".internal[" + std::to_string(k) + "]"));
        }
        if (const Json* type = Find(item, "interfaceType"))
            channel.interfaceType = static_cast<int32_t>(
                ReadInteger(*type, where + ".interfaceType", std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max()));
        if (const Json* call = Find(item, "publicCall")) {
            const std::string at = where + ".publicCall";
            if (!call->is_string()) Fail(at, "expected a file path, got " + Describe(*call));
            const std::string path = call->get<std::string>();
            // The engine's public-call record holds the path with its NUL in a fixed field.
            constexpr size_t kLongest = sizeof(PublicCallInfo::filePath) - 1;
            if (path.find('\0') != std::string::npos) Fail(at, "a path holds no NUL");
            if (path.size() > kLongest)
                Fail(at, "the path is longer than " + std::to_string(kLongest) + " bytes");
            channel.publicCall = path;
        }
        if (const Json* name = Find(item, "register")) {
            // What the engine finds under the float interface is read as a float channel.
            if (channel.kind != ChannelKind::Float && channel.kind != ChannelKind::Quantifier)
                Fail(
                    where + ".register",
                    "only float channels and quantifiers are registered under the float interface");
            channel.registeredName = ReadName(*name, where + ".register");
        }
    }

    void ParseTextValue(const Json& item, ChannelSpec& channel, const std::string& where) {
        bool wide = false;
        if (const Json* w = Find(item, "wide")) wide = ReadBool(*w, where + ".wide");
        const Json* bytes = Find(item, "bytes");
        const Json* units = Find(item, "units");
        const int given = (Find(item, "value") ? 1 : 0) + (Find(item, "frames") ? 1 : 0) +
                          (bytes ? 1 : 0) + (units ? 1 : 0);
        if (given > 1) Fail(where, "give one of \"value\", \"frames\", \"bytes\" and \"units\"");
        if (bytes && wide) Fail(where, "\"bytes\" give narrow text; use \"units\" for wide text");
        if (units && Find(item, "wide") && !wide)
            Fail(where, "\"units\" give wide text; use \"bytes\" for narrow text");
        if (bytes || units) {
            Timeline timeline;
            timeline.values.push_back(bytes ? ReadRawText(*bytes, false, where + ".bytes")
                                            : ReadRawText(*units, true, where + ".units"));
            channel.value = std::move(timeline);
            return;
        }
        channel.value = ReadTimeline(
            item, "value", where,
            [&](const Json& v, const std::string& at) { return Value(ReadText(v, wide, at)); });
    }

    void ParseQuantifier(const Json& item, ChannelSpec& channel, const std::string& where) {
        channel.operation = ReadOperation(Require(item, "operation", where), where + ".operation");
        if (const Json* children = Find(item, "children")) {
            RequireArray(*children, where + ".children");
            for (size_t k = 0; k < children->size(); ++k)
                channel.children.push_back(
                    ChannelIndex((*children)[k], where + ".children[" + std::to_string(k) + "]"));
        }
        if (const Json* store = Find(item, "storeCurrentValue"))
            channel.storeCurrentValue = ReadBool(*store, where + ".storeCurrentValue");
        if (const Json* update = Find(item, "updateChannelname"))
            channel.updateChannelname = ReadBool(*update, where + ".updateChannelname");
        // A quantifier computes its value; "value" only gives the one it starts from.
        if (const Json* value = Find(item, "value")) {
            Timeline timeline;
            timeline.values.push_back(ReadFloat(*value, where + ".value"));
            channel.value = std::move(timeline);
        }
    }

    void ParseObject(const Json& item, ChannelSpec& channel, const std::string& where) {
        if (const Json* region = Find(item, "region")) {
            const std::string at = where + ".region";
            if (!region->is_object())
                Fail(at,
                     "expected {\"min\": [x, y, z], \"max\": [x, y, z]}, got " + Describe(*region));
            CheckKeys(*region, at, {"min", "max"});
            channel.regionMin = ReadPoint(Require(*region, "min", at), at + ".min");
            channel.regionMax = ReadPoint(Require(*region, "max", at), at + ".max");
        }
        if (const Json* inner = Find(item, "innerObject")) {
            const std::string at = where + ".innerObject";
            if (inner->is_boolean()) {
                channel.innerObject =
                    inner->get<bool>() ? std::optional<XMMATRIX>(IdentityMatrix()) : std::nullopt;
            } else {
                channel.innerObject = ReadMatrix(*inner, at);
            }
        }
    }

    void ParseCamera(const Json& item) {
        if (!item.is_object()) Fail("camera", "expected an object, got " + Describe(item));
        CheckKeys(item, "camera", {"view", "frames", "fov", "aspect", "near", "far"});
        CameraSpec camera;
        auto view = ReadTimeline(item, "view", "camera", [&](const Json& v, const std::string& at) {
            return Value(ReadMatrix(v, at));
        });
        camera.view = view ? std::move(*view) : Timeline{{IdentityMatrix()}, false};
        if (const Json* fov = Find(item, "fov")) camera.fovDegrees = ReadFloat(*fov, "camera.fov");
        if (const Json* aspect = Find(item, "aspect"))
            camera.aspect = ReadFloat(*aspect, "camera.aspect");
        if (const Json* nearD = Find(item, "near"))
            camera.nearDistance = ReadFloat(*nearD, "camera.near");
        if (const Json* farD = Find(item, "far"))
            camera.farDistance = ReadFloat(*farD, "camera.far");
        // Comparisons written so that NaN fails them.
        if (!(camera.fovDegrees > 0.0f && camera.fovDegrees < 180.0f))
            Fail("camera.fov", "the field of view lies between 0 and 180 degrees");
        if (!(camera.aspect > 0.0f && std::isfinite(camera.aspect)))
            Fail("camera.aspect", "the aspect is a positive number");
        if (!(camera.nearDistance > 0.0f && camera.farDistance > camera.nearDistance &&
              std::isfinite(camera.farDistance)))
            Fail("camera", "near and far are distances with 0 < near < far");
        scene.camera = std::move(camera);
    }

    Timeline ParseTimer(const Json& item) {
        Timeline timer;
        if (item.is_array()) {
            if (item.empty()) Fail("timer", "the list needs at least one value");
            timer.perFrame = true;
            for (size_t i = 0; i < item.size(); ++i)
                timer.values.push_back(ReadFloat(item[i], "timer[" + std::to_string(i) + "]"));
        } else {
            timer.values.push_back(ReadFloat(item, "timer"));
        }
        return timer;
    }

    void ParseActions() {
        const Json* actions = Find(root, "actions");
        if (actions == nullptr) return;
        RequireArray(*actions, "actions");
        std::vector<std::string> names;
        for (const ActionName& a : kActions)
            names.emplace_back(a.name);
        for (size_t i = 0; i < actions->size(); ++i) {
            const Json& item = (*actions)[i];
            const std::string where = "actions[" + std::to_string(i) + "]";
            if (!item.is_object()) Fail(where, "expected an object, got " + Describe(item));
            CheckKeys(item, where, {"frame", "channel", "do", "value"});
            ActionSpec action;
            action.frame =
                static_cast<size_t>(ReadInteger(Require(item, "frame", where), where + ".frame", 0,
                                                std::numeric_limits<int32_t>::max()));
            action.channel = ChannelIndex(Require(item, "channel", where), where + ".channel");
            const Json& what = Require(item, "do", where);
            if (!what.is_string())
                Fail(where + ".do", "expected an action name, got " + Describe(what));
            const std::string name = what.get<std::string>();
            const ActionName* found = nullptr;
            for (const ActionName& a : kActions) {
                if (name == a.name) found = &a;
            }
            if (found == nullptr)
                Fail(where + ".do", "unknown action " + Quoted(name) + DidYouMean(name, names));
            action.kind = found->kind;
            const ChannelSpec& target = scene.channels[action.channel];
            if (action.kind != ActionKind::CallChannel && target.kind != ChannelKind::Quantifier)
                Fail(where, name + " needs a quantifier, and channel " + Quoted(target.name) +
                                " is a " + ChannelKindName(target.kind) + " channel");
            const Json* value = Find(item, "value");
            const bool needsValue = action.kind == ActionKind::SetOperationType ||
                                    action.kind == ActionKind::SetStoreCurrentValue ||
                                    action.kind == ActionKind::SetUpdateChannelname;
            if (needsValue && value == nullptr) Fail(where, name + " needs a \"value\"");
            if (!needsValue && value != nullptr) Fail(where + ".value", name + " takes no value");
            if (action.kind == ActionKind::SetOperationType)
                action.number = ReadOperation(*value, where + ".value");
            if (action.kind == ActionKind::SetStoreCurrentValue ||
                action.kind == ActionKind::SetUpdateChannelname)
                action.flag = ReadBool(*value, where + ".value");
            scene.actions.push_back(action);
        }
    }

    void ParseOutputs() {
        const Json* outputs = Find(root, "outputs");
        if (outputs == nullptr) {
            for (size_t i = 0; i < scene.channels.size(); ++i) {
                if (scene.channels[i].kind == ChannelKind::Quantifier) scene.outputs.push_back(i);
            }
            return;
        }
        RequireArray(*outputs, "outputs");
        for (size_t i = 0; i < outputs->size(); ++i)
            scene.outputs.push_back(
                ChannelIndex((*outputs)[i], "outputs[" + std::to_string(i) + "]"));
    }

    // Without "frames", a scene runs until its last listed value or action, at least once.
    void ParseFrameCount() {
        if (const Json* frames = Find(root, "frames")) {
            scene.frames = static_cast<size_t>(
                ReadInteger(*frames, "frames", 0, std::numeric_limits<int32_t>::max()));
            return;
        }
        size_t frames = 1;
        const auto extend = [&frames](const std::optional<Timeline>& timeline) {
            if (timeline && timeline->perFrame) frames = std::max(frames, timeline->values.size());
        };
        for (const ChannelSpec& channel : scene.channels)
            extend(channel.value);
        extend(scene.timer);
        if (scene.camera) extend(scene.camera->view);
        for (const ActionSpec& action : scene.actions)
            frames = std::max(frames, action.frame + 1);
        scene.frames = frames;
    }

    const Json& root;
    std::string fileLabel;
    Scene scene;
    std::map<std::string, size_t> channelIndex;
};

}  // namespace

Scene ParseScene(std::string_view text, const std::string& fileLabel) {
    const Json root = ParseJson(text, fileLabel);
    return Parser(root, fileLabel).Parse();
}

Scene LoadSceneFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw RunError(kExitBadInput, path + ": is a folder, not a scene file");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw RunError(kExitBadInput, path + ": cannot open the scene file");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw RunError(kExitBadInput, path + ": cannot read the scene file");
    return ParseScene(text.str(), path);
}

}  // namespace quantifier_run
