#include "ChannelKinds.h"

#include <iterator>
#include <limits>

#include "RunError.h"
#include "SceneReader.h"
#include "TextCodec.h"

namespace quantifier_run {
namespace {

// ---------------------------------------------------------------------------------------------
// Reading a scene entry.

// A kind whose entry gives "value" or "frames" of one type, read by `read`.
template <auto read>
void ParseValue(SceneReader& reader, const Json& item, ChannelSpec& channel,
                const std::string& where) {
    channel.value = reader.ReadTimeline(
        item, "value", where,
        [&](const Json& v, const std::string& at) { return Value(read(reader, v, at)); });
}

float ReadFloat(const SceneReader& reader, const Json& v, const std::string& at) {
    return reader.ReadFloat(v, at);
}
XMFLOAT4 ReadVector(const SceneReader& reader, const Json& v, const std::string& at) {
    return reader.ReadVector(v, at);
}
XMMATRIX ReadMatrix(const SceneReader& reader, const Json& v, const std::string& at) {
    return reader.ReadMatrix(v, at);
}
uint32_t ReadUnsigned(const SceneReader& reader, const Json& v, const std::string& at) {
    return static_cast<uint32_t>(
        reader.ReadInteger(v, at, 0, std::numeric_limits<uint32_t>::max()));
}
int32_t ReadMatch(const SceneReader& reader, const Json& v, const std::string& at) {
    return static_cast<int32_t>(reader.ReadInteger(v, at, std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max()));
}

TextValue ReadRawText(const SceneReader& reader, const Json& list, bool wide,
                      const std::string& where) {
    reader.RequireArray(list, where);
    TextValue text;
    text.kind = wide ? TextValue::Kind::Wide : TextValue::Kind::Narrow;
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string at = where + "[" + std::to_string(i) + "]";
        if (wide) {
            text.units += static_cast<char16_t>(reader.ReadInteger(list[i], at, 0, 0xFFFF));
        } else {
            text.bytes +=
                static_cast<char>(static_cast<uint8_t>(reader.ReadInteger(list[i], at, 0, 0xFF)));
        }
    }
    return text;
}

// A text: a JSON text (its UTF-8 bytes, or its UTF-16 units when `wide`), null for no text,
// or {"bytes": [...]} / {"units": [...]} for raw codes.
TextValue ReadText(const SceneReader& reader, const Json& value, bool wide,
                   const std::string& where) {
    TextValue text;
    if (value.is_null()) return text;
    if (value.is_string()) {
        if (wide) {
            text.kind = TextValue::Kind::Wide;
            // The JSON reader lets only well-formed UTF-8 through.
            text.units = *codec::Utf8ToUtf16(value.get<std::string>(), codec::OnInvalid::Replace);
        } else {
            text.kind = TextValue::Kind::Narrow;
            text.bytes = value.get<std::string>();
        }
        return text;
    }
    if (value.is_object() && value.size() == 1) {
        if (const Json* bytes = JsonReader::Find(value, "bytes"))
            return ReadRawText(reader, *bytes, false, where + ".bytes");
        if (const Json* units = JsonReader::Find(value, "units"))
            return ReadRawText(reader, *units, true, where + ".units");
    }
    reader.Fail(where, "expected a text, null, {\"bytes\": [...]} or {\"units\": [...]}, got " +
                           JsonReader::Describe(value));
}

void ParseText(SceneReader& reader, const Json& item, ChannelSpec& channel,
               const std::string& where) {
    const auto find = [&](const char* key) { return JsonReader::Find(item, key); };
    bool wide = false;
    if (const Json* w = find("wide")) wide = reader.ReadBool(*w, where + ".wide");
    const Json* bytes = find("bytes");
    const Json* units = find("units");
    const int given =
        (find("value") ? 1 : 0) + (find("frames") ? 1 : 0) + (bytes ? 1 : 0) + (units ? 1 : 0);
    if (given > 1) reader.Fail(where, "give one of \"value\", \"frames\", \"bytes\" and \"units\"");
    if (bytes && wide)
        reader.Fail(where, "\"bytes\" give narrow text; use \"units\" for wide text");
    if (units && find("wide") && !wide)
        reader.Fail(where, "\"units\" give wide text; use \"bytes\" for narrow text");
    if (bytes || units) {
        Timeline timeline;
        timeline.values.push_back(bytes ? ReadRawText(reader, *bytes, false, where + ".bytes")
                                        : ReadRawText(reader, *units, true, where + ".units"));
        channel.value = std::move(timeline);
        return;
    }
    channel.value = reader.ReadTimeline(
        item, "value", where,
        [&](const Json& v, const std::string& at) { return Value(ReadText(reader, v, wide, at)); });
}

void ParseQuantifier(SceneReader& reader, const Json& item, ChannelSpec& channel,
                     const std::string& where) {
    channel.operation =
        reader.ReadOperation(reader.Require(item, "operation", where), where + ".operation");
    if (const Json* children = JsonReader::Find(item, "children")) {
        reader.RequireArray(*children, where + ".children");
        for (size_t k = 0; k < children->size(); ++k)
            channel.children.push_back(reader.ChannelIndex(
                (*children)[k], where + ".children[" + std::to_string(k) + "]"));
    }
    if (const Json* store = JsonReader::Find(item, "storeCurrentValue"))
        channel.storeCurrentValue = reader.ReadBool(*store, where + ".storeCurrentValue");
    if (const Json* update = JsonReader::Find(item, "updateChannelname"))
        channel.updateChannelname = reader.ReadBool(*update, where + ".updateChannelname");
    // A quantifier computes its value; "value" only gives the one it starts from.
    if (const Json* value = JsonReader::Find(item, "value")) {
        Timeline timeline;
        timeline.values.push_back(reader.ReadFloat(*value, where + ".value"));
        channel.value = std::move(timeline);
    }
}

void ParseObject(SceneReader& reader, const Json& item, ChannelSpec& channel,
                 const std::string& where) {
    ParseValue<ReadMatrix>(reader, item, channel, where);
    if (const Json* region = JsonReader::Find(item, "region")) {
        const std::string at = where + ".region";
        if (!region->is_object())
            reader.Fail(at, "expected {\"min\": [x, y, z], \"max\": [x, y, z]}, got " +
                                JsonReader::Describe(*region));
        reader.CheckKeys(*region, at, {"min", "max"});
        channel.regionMin = reader.ReadPoint(reader.Require(*region, "min", at), at + ".min");
        channel.regionMax = reader.ReadPoint(reader.Require(*region, "max", at), at + ".max");
    }
    if (const Json* inner = JsonReader::Find(item, "innerObject")) {
        const std::string at = where + ".innerObject";
        if (inner->is_boolean()) {
            channel.innerObject =
                inner->get<bool>() ? std::optional<XMMATRIX>(IdentityMatrix()) : std::nullopt;
        } else {
            channel.innerObject = reader.ReadMatrix(*inner, at);
        }
    }
}

const ChannelKindInfo kKinds[] = {
    {.kind = ChannelKind::Float,
     .name = "float",
     .keys = {"value", "frames"},
     .readAsFloat = true,
     .parse = ParseValue<ReadFloat>},
    {.kind = ChannelKind::Vector,
     .name = "vector",
     .keys = {"value", "frames"},
     .readAsFloat = false,
     .parse = ParseValue<ReadVector>},
    {.kind = ChannelKind::Matrix,
     .name = "matrix",
     .keys = {"value", "frames"},
     .readAsFloat = false,
     .parse = ParseValue<ReadMatrix>},
    {.kind = ChannelKind::Text,
     .name = "text",
     .keys = {"value", "frames", "wide", "bytes", "units"},
     .readAsFloat = false,
     .parse = ParseText},
    {.kind = ChannelKind::Quantifier,
     .name = "quantifier",
     .keys = {"value", "operation", "children", "storeCurrentValue", "updateChannelname"},
     .readAsFloat = true,
     .parse = ParseQuantifier},
    {.kind = ChannelKind::Object,
     .name = "object",
     .keys = {"value", "frames", "region", "innerObject"},
     .readAsFloat = false,
     .parse = ParseObject},
    {.kind = ChannelKind::Unsigned,
     .name = "unsigned",
     .keys = {"value", "frames"},
     .readAsFloat = false,
     .parse = ParseValue<ReadUnsigned>},
    {.kind = ChannelKind::MatchA,
     .name = "matchA",
     .keys = {"value", "frames"},
     .readAsFloat = false,
     .parse = ParseValue<ReadMatch>},
    {.kind = ChannelKind::MatchB,
     .name = "matchB",
     .keys = {"value", "frames"},
     .readAsFloat = false,
     .parse = ParseValue<ReadMatch>},
};

}  // namespace

std::span<const ChannelKindInfo> ChannelKinds() {
    return kKinds;
}

const ChannelKindInfo& KindInfo(ChannelKind kind) {
    static_assert(std::size(kKinds) == kEnumCount<ChannelKind>, "one entry per kind");
    // Every kind has its entry at its own index; another value is this program's own fault,
    // which read as a float would run a different scene without a word.
    const auto index = static_cast<size_t>(kind);
    if (index >= std::size(kKinds) || kKinds[index].kind != kind)
        throw RunError(kExitFailure, "internal error: no channel kind " + std::to_string(index));
    return kKinds[index];
}

const ChannelKindInfo* KindNamed(const std::string& name) {
    for (const ChannelKindInfo& info : kKinds) {
        if (name == info.name) return &info;
    }
    return nullptr;
}

const char* ChannelKindName(ChannelKind kind) {
    return KindInfo(kind).name;
}

}  // namespace quantifier_run
