#include "ChannelKinds.h"

#include <cstring>
#include <limits>

#include "Kch_MatrixChannel.h"
#include "Kch_ObjectChannel.h"
#include "Kch_TextChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"
#include "SceneReader.h"
#include "TextCodec.h"

namespace quantifier_run {
namespace {

template <class T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

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

// ---------------------------------------------------------------------------------------------
// Making channels.

template <class Channel>
Orn_Channel& Make(const ChannelSpec&, ChannelOwners& owners) {
    owners.channels.push_back(std::make_unique<Channel>());
    return *owners.channels.back();
}

Orn_Channel& MakeObject(const ChannelSpec& def, ChannelOwners& owners) {
    auto object = std::make_unique<Kch_ObjectChannel>();
    object->SetTestRegion(def.regionMin, def.regionMax);
    object->SetHasInnerObject(def.innerObject.has_value());
    if (def.innerObject) object->innerObject->SetObjectMatrix(0, &*def.innerObject);
    owners.channels.push_back(std::move(object));
    return *owners.channels.back();
}

Orn_Channel& MakeQuantifier(const ChannelSpec& def, ChannelOwners& owners) {
    std::unique_ptr<Kch_Quantifier> made(owners.plugin.Create());
    owners.quantifiers.push_back(std::move(made));
    Kch_Quantifier& quantifier = *owners.quantifiers.back();
    quantifier.SetOperationType(def.operation);
    if (def.storeCurrentValue) quantifier.SetStoreCurrentValue(*def.storeCurrentValue);
    if (def.updateChannelname) quantifier.SetUpdateChannelname(*def.updateChannelname);
    // The engine asks every channel what it depends on; the stand-in needs no answer.
    Orn_List dependencies;
    quantifier.DoDependencyInit(&dependencies);
    return quantifier;
}

// ---------------------------------------------------------------------------------------------
// Setting and reading values.

void SetFloat(Orn_Channel& channel, const Value& value) {
    static_cast<Kch_FloatChannel&>(channel).SetFloat(std::get<float>(value));
}
void SetVector(Orn_Channel& channel, const Value& value) {
    static_cast<Kch_VectorChannel&>(channel).SetVector(std::get<XMFLOAT4>(value));
}
void SetMatrix(Orn_Channel& channel, const Value& value) {
    static_cast<Kch_MatrixChannel&>(channel).SetMatrix(std::get<XMMATRIX>(value));
}
void SetText(Orn_Channel& channel, const Value& value) {
    auto& text = static_cast<Kch_TextChannel&>(channel);
    const TextValue& given = std::get<TextValue>(value);
    switch (given.kind) {
        case TextValue::Kind::None:
            text.ClearText();
            break;
        case TextValue::Kind::Narrow:
            text.SetNarrowText(given.bytes);
            break;
        case TextValue::Kind::Wide:
            text.SetWideText(given.units);
            break;
    }
}
void SetUnsigned(Orn_Channel& channel, const Value& value) {
    static_cast<Kch_UnsignedChannel&>(channel).SetUnsignedValue(std::get<uint32_t>(value));
}
template <class Match>
void SetMatch(Orn_Channel& channel, const Value& value) {
    static_cast<Match&>(channel).SetMatchValue(std::get<int32_t>(value));
}
void SetPlacement(Orn_Channel& channel, const Value& value) {
    // The placement setter renews the stamp on every call, so only a change is set.
    auto& object = static_cast<Kch_ObjectChannel&>(channel);
    const XMMATRIX& placement = std::get<XMMATRIX>(value);
    if (!SameBits(object.GetPlacementMatrix(), placement)) object.SetPlacementMatrix(placement);
}

Cell ReadFloatCell(Orn_Channel& channel) {
    return static_cast<Kch_FloatChannel&>(channel).GetFloat();
}
Cell ReadVectorCell(Orn_Channel& channel) {
    return static_cast<Kch_VectorChannel&>(channel).GetVector();
}
Cell ReadMatrixCell(Orn_Channel& channel) {
    return static_cast<Kch_MatrixChannel&>(channel).GetMatrix();
}
Cell ReadTextCell(Orn_Channel& channel) {
    // What the channel hands a reader: its text up to the first NUL.
    auto& text = static_cast<Kch_TextChannel&>(channel);
    TextCell cell;
    if (text.IsWideText()) {
        cell.kind = TextValue::Kind::Wide;
        for (const OrnWideChar* unit = text.GetWideText(); *unit != 0; ++unit)
            cell.units += static_cast<char16_t>(*unit);
    } else if (const char* bytes = text.GetText()) {
        cell.kind = TextValue::Kind::Narrow;
        cell.bytes = bytes;
    }
    return cell;
}
Cell ReadUnsignedCell(Orn_Channel& channel) {
    return static_cast<Kch_UnsignedChannel&>(channel).GetUnsignedValue();
}
template <class Match>
Cell ReadMatchCell(Orn_Channel& channel) {
    return static_cast<Match&>(channel).GetMatchValue();
}
Cell ReadTestResultCell(Orn_Channel& channel) {
    return static_cast<Kch_ObjectChannel&>(channel).GetTestResult() ? 1.0f : 0.0f;
}

const ChannelKindInfo kKinds[] = {
    {ChannelKind::Float,
     "float",
     {"value", "frames"},
     true,
     ParseValue<ReadFloat>,
     Make<Kch_FloatChannel>,
     SetFloat,
     ReadFloatCell},
    {ChannelKind::Vector,
     "vector",
     {"value", "frames"},
     false,
     ParseValue<ReadVector>,
     Make<Kch_VectorChannel>,
     SetVector,
     ReadVectorCell},
    {ChannelKind::Matrix,
     "matrix",
     {"value", "frames"},
     false,
     ParseValue<ReadMatrix>,
     Make<Kch_MatrixChannel>,
     SetMatrix,
     ReadMatrixCell},
    {ChannelKind::Text,
     "text",
     {"value", "frames", "wide", "bytes", "units"},
     false,
     ParseText,
     Make<Kch_TextChannel>,
     SetText,
     ReadTextCell},
    {ChannelKind::Quantifier,
     "quantifier",
     {"value", "operation", "children", "storeCurrentValue", "updateChannelname"},
     true,
     ParseQuantifier,
     MakeQuantifier,
     SetFloat,
     ReadFloatCell},
    {ChannelKind::Object,
     "object",
     {"value", "frames", "region", "innerObject"},
     false,
     ParseObject,
     MakeObject,
     SetPlacement,
     ReadTestResultCell},
    {ChannelKind::Unsigned,
     "unsigned",
     {"value", "frames"},
     false,
     ParseValue<ReadUnsigned>,
     Make<Kch_UnsignedChannel>,
     SetUnsigned,
     ReadUnsignedCell},
    {ChannelKind::MatchA,
     "matchA",
     {"value", "frames"},
     false,
     ParseValue<ReadMatch>,
     Make<Kch_MatchChannelA>,
     SetMatch<Kch_MatchChannelA>,
     ReadMatchCell<Kch_MatchChannelA>},
    {ChannelKind::MatchB,
     "matchB",
     {"value", "frames"},
     false,
     ParseValue<ReadMatch>,
     Make<Kch_MatchChannelB>,
     SetMatch<Kch_MatchChannelB>,
     ReadMatchCell<Kch_MatchChannelB>},
};

}  // namespace

std::span<const ChannelKindInfo> ChannelKinds() {
    return kKinds;
}

const ChannelKindInfo& KindInfo(ChannelKind kind) {
    for (const ChannelKindInfo& info : kKinds) {
        if (info.kind == kind) return info;
    }
    return kKinds[0];
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
