#include "scene/ChannelKinds.h"

#include <iterator>
#include <limits>
#include <string_view>

#include "OperationTable.h"
#include "TextCodec.h"
#include "common/Suggestions.h"
#include "engine/RunError.h"
#include "scene/OperationList.h"
#include "scene/SceneReader.h"

namespace quantifier_run {
namespace {

// ---------------------------------------------------------------------------------------------
// Reading a scene entry.

// A kind whose entry gives "value", "frames" or "keys" of one type, read by `read`; `movable`
// values may move from key to key.
template <auto read, bool movable>
void ParseValue(SceneReader& reader, const Json& item, ChannelSpec& channel,
                const std::string& where) {
    channel.value = reader.ReadTimeline(
        item, "value", where,
        [&](const Json& v, const std::string& at) { return read(reader, v, at); }, movable);
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

// One value read as a Value, as a timeline holds it.
template <auto read>
Value AsValue(const SceneReader& reader, const Json& v, const std::string& at) {
    return Value(read(reader, v, at));
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
    reader.Fail(value, where,
                "expected a text, null, {\"bytes\": [...]} or {\"units\": [...]}, got " +
                    JsonReader::Describe(value));
}

void ParseText(SceneReader& reader, const Json& item, ChannelSpec& channel,
               const std::string& where) {
    const auto find = [&](const char* key) { return JsonReader::Find(item, key); };
    bool wide = false;
    if (const Json* w = find("wide")) wide = reader.ReadBool(*w, where + ".wide");
    const Json* bytes = find("bytes");
    const Json* units = find("units");
    // The second of the values given is the one told.
    int given = 0;
    for (const auto& [key, value] : reader.Document().MembersInOrder(item)) {
        if (*key != "value" && *key != "frames" && *key != "keys" && *key != "bytes" &&
            *key != "units")
            continue;
        if (++given > 1)
            reader.FailAtKey(
                *value, where,
                "give one of \"value\", \"frames\", \"keys\", \"bytes\" and \"units\"");
    }
    if (bytes && wide)
        reader.FailAtKey(*bytes, where, "\"bytes\" give narrow text; use \"units\" for wide text");
    if (units && find("wide") && !wide)
        reader.FailAtKey(*units, where, "\"units\" give wide text; use \"bytes\" for narrow text");
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

// "float child 1 (value)": a slot as the link warnings name it.
std::string SlotNamed(const OperationInfo& info, size_t slot) {
    return std::string(ChildKindName(info.children[slot].kind)) + " child " +
           std::to_string(ChildIndex(info, slot)) + " (" + std::string(info.children[slot].role) +
           ")";
}

// "children": {"lower": "min", "value": "speed", "upper": "max"}: linked in the order the
// operation looks its children up, so that each is found in the slot its role names. A child is
// found by its place among the links of its kind, so a role left out may end its kind's links
// (the link check then warns as for any child missing) but cannot stand before a given one.
void ParseChildrenByRole(SceneReader& reader, const Json& children, ChannelSpec& channel,
                         const std::string& where) {
    const OperationInfo* info = FindOperation(channel.operation);
    if (info == nullptr)
        reader.Fail(children, where,
                    "operation " + std::to_string(channel.operation) +
                        " has no roles; give the children as a list");
    std::vector<std::string> roles;
    for (const ChildSlot& slot : info->children) {
        if (slot.kind != ChildKind::Internal) roles.emplace_back(slot.role);
    }
    const std::string operation(info->name);
    std::vector<const Json*> given(info->children.size(), nullptr);
    for (const auto& [role, child] : reader.Document().MembersInOrder(children)) {
        size_t slot = 0;
        while (slot < info->children.size() && info->children[slot].role != *role)
            ++slot;
        if (slot < info->children.size() && info->children[slot].kind == ChildKind::Internal)
            reader.FailAtKey(*child, where,
                             Quoted(*role) + " is " + operation +
                                 "'s internal child 0, which \"internal\" gives, not a link");
        if (slot == info->children.size())
            reader.FailAtKey(
                *child, where,
                "unknown role " + Quoted(*role) + DidYouMean(*role, roles) + "; " +
                    (roles.empty() ? operation + " takes no children"
                                   : operation + "'s children are " + ListedNames(roles)));
        given[slot] = child;
    }
    ChannelSource& source = reader.SourceOf(channel);
    for (size_t slot = 0; slot < info->children.size(); ++slot) {
        if (given[slot] == nullptr) continue;
        for (size_t before = 0; before < slot; ++before) {
            if (given[before] == nullptr &&
                info->children[before].kind == info->children[slot].kind)
                reader.Fail(*given[slot], where + "." + std::string(info->children[slot].role),
                            "cannot be " + SlotNamed(*info, slot) + " while " +
                                SlotNamed(*info, before) +
                                " is left out: a child is found by its place among the "
                                "links of its kind");
        }
        channel.children.push_back(reader.ChannelIndex(
            *given[slot], where + "." + std::string(info->children[slot].role)));
        source.links.push_back(reader.Document().PositionOf(*given[slot]));
    }
}

void ParseQuantifier(SceneReader& reader, const Json& item, ChannelSpec& channel,
                     const std::string& where) {
    channel.operation =
        reader.ReadOperation(reader.Require(item, "operation", where), where + ".operation");
    if (const Json* children = JsonReader::Find(item, "children")) {
        ChannelSource& source = reader.SourceOf(channel);
        source.children = reader.Document().PositionOf(*children);
        if (children->is_object()) {
            ParseChildrenByRole(reader, *children, channel, where + ".children");
        } else {
            if (!children->is_array())
                reader.Fail(*children, where + ".children",
                            "expected a list of names or an object of names by role, got " +
                                JsonReader::Describe(*children));
            for (size_t k = 0; k < children->size(); ++k) {
                channel.children.push_back(reader.ChannelIndex(
                    (*children)[k], where + ".children[" + std::to_string(k) + "]"));
                source.links.push_back(reader.Document().PositionOf((*children)[k]));
            }
        }
    }
    if (const Json* store = JsonReader::Find(item, "storeCurrentValue"))
        channel.storeCurrentValue = reader.ReadBool(*store, where + ".storeCurrentValue");
    if (const Json* update = JsonReader::Find(item, "updateChannelname"))
        channel.updateChannelname = reader.ReadBool(*update, where + ".updateChannelname");
    if (const Json* feedback = JsonReader::Find(item, "feedback"))
        reader.SourceOf(channel).feedback = reader.ReadBool(*feedback, where + ".feedback");
    // A quantifier computes its value; "value" only gives the one it starts from.
    if (const Json* value = JsonReader::Find(item, "value")) {
        Timeline timeline;
        timeline.values.push_back(reader.ReadFloat(*value, where + ".value"));
        channel.value = std::move(timeline);
    }
}

void ParseObject(SceneReader& reader, const Json& item, ChannelSpec& channel,
                 const std::string& where) {
    ParseValue<AsValue<ReadMatrix>, false>(reader, item, channel, where);
    if (const Json* region = JsonReader::Find(item, "region")) {
        const std::string at = where + ".region";
        if (!region->is_object())
            reader.Fail(*region, at,
                        "expected {\"min\": [x, y, z], \"max\": [x, y, z]}, got " +
                            JsonReader::Describe(*region));
        reader.CheckKeys(*region, at, KeyNames(KeysOf(SceneObject::Region)));
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
// The kinds, expanded from the list.

// How each value type is read, and its definition and name in the schema. A value type without
// its words does not compile where a kind of it is expanded.
struct ValueWords {
    Value (*read)(const SceneReader& reader, const Json& v, const std::string& at);
    const char* definition;
    const char* noun;
    bool movable = false;  // "interpolate": "linear" moves it from key to key
};
template <class T>
constexpr ValueWords kValueWords = T::kNoWordsForThisValueType;
template <>
constexpr ValueWords kValueWords<float> = {AsValue<ReadFloat>, "number", "float", true};
template <>
constexpr ValueWords kValueWords<XMFLOAT4> = {AsValue<ReadVector>, "vector", "vector", true};
template <>
constexpr ValueWords kValueWords<XMMATRIX> = {AsValue<ReadMatrix>, "matrix", "matrix"};
// Texts are read by the text kind's own entry.
template <>
constexpr ValueWords kValueWords<TextValue> = {nullptr, "text", "text"};
template <>
constexpr ValueWords kValueWords<uint32_t> = {AsValue<ReadUnsigned>, "unsigned", "whole number"};
template <>
constexpr ValueWords kValueWords<int32_t> = {AsValue<ReadMatch>, "match", "whole number"};

// A kind's reading: "value" or "frames" of its value type, unless the kind reads more.
template <ChannelKind kind, class ValueType>
struct KindReading {
    static constexpr auto parse =
        ParseValue<kValueWords<ValueType>.read, kValueWords<ValueType>.movable>;
    static constexpr const char* noun = kValueWords<ValueType>.noun;
};
template <class ValueType>
struct KindReading<ChannelKind::Text, ValueType> {
    static constexpr auto parse = ParseText;
    static constexpr const char* noun = "text";
};
template <class ValueType>
struct KindReading<ChannelKind::Quantifier, ValueType> {
    static constexpr auto parse = ParseQuantifier;
    static constexpr const char* noun = "float";
};
template <class ValueType>
struct KindReading<ChannelKind::Object, ValueType> {
    static constexpr auto parse = ParseObject;
    static constexpr const char* noun = "placement matrix (default identity)";
};

#define QUANTIFIER_FIELDS(...) __VA_ARGS__
const ChannelKindInfo kKinds[] = {
#define QUANTIFIER_CHANNEL_KIND(Kind, name_, HostClass, ValueType, presents, keys_) \
    {.kind = ChannelKind::Kind,                                                     \
     .name = name_,                                                                 \
     .keys = {QUANTIFIER_FIELDS keys_},                                             \
     .readAsFloat = ChildKind::presents == ChildKind::Float,                        \
     .movable = kValueWords<ValueType>.movable,                                     \
     .parse = KindReading<ChannelKind::Kind, ValueType>::parse,                     \
     .valueDefinition = kValueWords<ValueType>.definition,                          \
     .noun = KindReading<ChannelKind::Kind, ValueType>::noun},
#include "engine/ChannelKinds.def"
};

// ---------------------------------------------------------------------------------------------
// What the kinds' own keys mean, for the schema.

struct KindKey {
    std::string_view name;
    // The key's schema, with its description, for a channel of `kind`.
    Schema (*schema)(const ChannelKindInfo& kind);
    // At most one key of this set is given ("value", "frames", raw "bytes" or "units").
    bool oneOfValues = false;
    bool required = false;
    // Rules the key adds to the entry, or null.
    Schema (*rules)() = nullptr;
};

// A text channel's constant value as raw codes.
Schema RawValue(bool wide) {
    return Described(Ref(wide ? "units" : "bytes"),
                     wide ? "The channel's constant value as raw 16-bit units (a wide text)."
                          : "The channel's constant value as raw bytes (a narrow text).");
}

// For each operation, the roles its children may be given by: an editor completes and checks
// them once the operation is known, by name or by number.
Schema ChildrenByRole() {
    Schema rules = Schema::array();
    for (const OperationInfo& info : kOperations) {
        Schema roles = Schema::object();
        for (size_t slot = 0; slot < info.children.size(); ++slot) {
            if (info.children[slot].kind == ChildKind::Internal) continue;
            roles[std::string(info.children[slot].role)] =
                Described(Ref("name"), SlotNamed(info, slot) + " of " + std::string(info.name));
        }
        const Schema byRole = {
            {"if", {{"type", "object"}}},
            {"then", {{"properties", std::move(roles)}, {"additionalProperties", false}}}};
        rules.push_back(
            {{"if",
              {{"properties", {{"operation", {{"enum", {info.name, static_cast<int>(info.id)}}}}}},
               {"required", {"operation"}}}},
             {"then", {{"properties", {{"children", byRole}}}}}});
    }
    return rules;
}

constexpr KindKey kKindKeys[] = {
    {.name = "value",
     .schema =
         [](const ChannelKindInfo& kind) {
             // A quantifier computes its value; "value" only gives the one it starts from.
             if (kind.kind == ChannelKind::Quantifier)
                 return Described(Ref("number"),
                                  "The current value the quantifier starts from (default 0).");
             return Described(Ref(kind.valueDefinition), std::string("The ") + kind.noun +
                                                             ", set once before the first frame.");
         },
     .oneOfValues = true},
    {.name = "frames",
     .schema =
         [](const ChannelKindInfo& kind) {
             return Described(ListOf(Ref(kind.valueDefinition), true),
                              std::string("The ") + kind.noun +
                                  " per frame: entry i is set at the start of frame i; after the "
                                  "list ends the channel keeps its value.");
         },
     .oneOfValues = true},
    {.name = "keys",
     .schema =
         [](const ChannelKindInfo& kind) {
             return Schema{
                 {"description",
                  std::string("The ") + kind.noun +
                      " by frame: {\"0\": a, \"8\": b} sets a from the first frame and b from "
                      "frame 8 on; each key holds until the next (or moves, with \"interpolate\""
                      "), as a list with its value in each of those frames would. Keys go in frame "
                      "order."},
                 {"type", "object"},
                 {"minProperties", 1},
                 {"propertyNames", {{"pattern", "^[0-9]+$"}}},
                 {"additionalProperties", Ref(kind.valueDefinition)}};
         },
     .oneOfValues = true},
    {.name = "interpolate",
     .schema =
         [](const ChannelKindInfo& kind) {
             Schema ways = {"hold"};
             if (kind.movable) ways.push_back("linear");
             return Described({{"enum", ways}},
                              kind.movable
                                  ? "How the value goes from key to key: \"hold\" (the default) or "
                                    "\"linear\", a straight line in single precision."
                                  : "How the value goes from key to key: it holds.");
         },
     .rules =
         [] {
             return Schema{{{"dependentRequired", {{"interpolate", {"keys"}}}}}};
         }},
    {.name = "wide",
     .schema =
         [](const ChannelKindInfo&) {
             return Described({{"type", "boolean"}},
                              "true: strings are taken as UTF-16 units, and the channel is a wide "
                              "text.");
         },
     .rules =
         [] {
             // Raw bytes are narrow text and raw units wide, whatever "wide" says.
             const auto whenWide = [](bool wide, const char* refused) {
                 return Schema{
                     {"if",
                      {{"properties", {{"wide", {{"const", wide}}}}}, {"required", {"wide"}}}},
                     {"then", {{"not", {{"required", {refused}}}}}}};
             };
             return Schema{whenWide(true, "bytes"), whenWide(false, "units")};
         }},
    {.name = "bytes",
     .schema = [](const ChannelKindInfo&) { return RawValue(false); },
     .oneOfValues = true},
    {.name = "units",
     .schema = [](const ChannelKindInfo&) { return RawValue(true); },
     .oneOfValues = true},
    {.name = "operation",
     .schema = [](const ChannelKindInfo&) { return Ref("operation"); },
     .required = true},
    {.name = "children",
     .schema =
         [](const ChannelKindInfo&) {
             return Schema{
                 {"description",
                  "The quantifier's children: a list of channel names, linked in this order, or "
                  "an object of channel names by the roles the operation gives its children "
                  "({\"lower\": \"min\", \"value\": \"speed\", \"upper\": \"max\"}), "
                  "linked in the order the operation looks them up. A child may be listed after "
                  "its parent, twice, or be the quantifier itself."},
                 {"anyOf",
                  {ListOf(Ref("name")),
                   {{"type", "object"}, {"additionalProperties", Ref("name")}}}}};
         },
     .rules = ChildrenByRole},
    {.name = "storeCurrentValue",
     .schema =
         [](const ChannelKindInfo&) {
             return Described({{"type", "boolean"}}, "Passed to SetStoreCurrentValue.");
         }},
    {.name = "updateChannelname",
     .schema =
         [](const ChannelKindInfo&) {
             return Described({{"type", "boolean"}}, "Passed to SetUpdateChannelname.");
         }},
    {.name = "feedback",
     .schema =
         [](const ChannelKindInfo&) {
             return Described({{"type", "boolean"}},
                              "true: the cycles of links through this quantifier are meant (a "
                              "read of it inside its own render gives the value it held "
                              "before), and draw no warning. The runner alone reads it.");
         }},
    {.name = "region",
     .schema =
         [](const ChannelKindInfo&) {
             Schema region = {{"type", "object"},
                              {"description",
                               "The box the inner object's position is tested against, edges "
                               "included (default: a box of size 0 at the origin)."}};
             for (const SceneKey& key : KeysOf(SceneObject::Region)) {
                 region["properties"][key.name] = Described(key.shape, key.description);
                 if (key.required) region["required"].push_back(key.name);
             }
             region["additionalProperties"] = false;
             return region;
         }},
    {.name = "innerObject",
     .schema =
         [](const ChannelKindInfo&) {
             return Schema{{"description",
                            "true: an inner object at the identity (the default); false: none; or "
                            "the inner object's matrix."},
                           {"anyOf", {{{"type", "boolean"}}, Ref("matrix")}}};
         }},
};

constexpr const KindKey* FindKindKey(std::string_view name) {
    for (const KindKey& key : kKindKeys) {
        if (key.name == name) return &key;
    }
    return nullptr;
}

constexpr bool EveryKindKeyHasItsMeaning() {
    constexpr std::string_view listed[] = {
#define QUANTIFIER_CHANNEL_KIND(Kind, name, HostClass, ValueType, presents, keys) \
    QUANTIFIER_FIELDS keys,
#include "engine/ChannelKinds.def"
    };
    for (std::string_view key : listed) {
        if (FindKindKey(key) == nullptr) return false;
    }
    return true;
}
static_assert(EveryKindKeyHasItsMeaning(), "every key of ChannelKinds.def needs its KindKey row");
#undef QUANTIFIER_FIELDS

}  // namespace

TextValue ReadSceneText(const SceneReader& reader, const Json& value, bool wide,
                        const std::string& where) {
    return ReadText(reader, value, wide, where);
}

std::span<const ChannelKindInfo> ChannelKinds() {
    return kKinds;
}

const ChannelKindInfo& KindInfo(ChannelKind kind) {
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

std::string KeysTaken(const ChannelKindInfo& kind) {
    std::vector<std::string> every;
    for (const SceneKey& key : KeysOf(SceneObject::Channel)) {
        if (!key.readAsFloatOnly || kind.readAsFloat) every.emplace_back(key.name);
    }
    return std::string("a ") + kind.name + " channel takes " + ListedNames(kind.keys) +
           ", beside every channel's " + ListedNames(every);
}

Schema KindKeysSchema(const ChannelKindInfo& kind) {
    Schema entry = {{"properties", Schema::object()}};
    std::vector<std::string> oneOf;
    Schema rules = Schema::array();
    for (const std::string& name : kind.keys) {
        const KindKey& key = *FindKindKey(name);
        entry["properties"][name] = key.schema(kind);
        if (key.oneOfValues) oneOf.push_back(name);
        if (key.required) entry["required"].push_back(name);
        if (key.rules)
            for (const Schema& rule : key.rules())
                rules.push_back(rule);
    }
    // Channels the engine may find under the float interface take a registered name too.
    for (const SceneKey& key : KeysOf(SceneObject::Channel)) {
        if (key.readAsFloatOnly && kind.readAsFloat)
            entry["properties"][key.name] = Described(key.shape, key.description);
    }
    Schema exclusive = Schema::array();
    for (size_t i = 0; i < oneOf.size(); ++i) {
        for (size_t j = i + 1; j < oneOf.size(); ++j)
            exclusive.push_back(NotBoth(oneOf[i].c_str(), oneOf[j].c_str()));
    }
    for (const Schema& rule : rules)
        exclusive.push_back(rule);
    if (!exclusive.empty()) entry["allOf"] = std::move(exclusive);
    return entry;
}

}  // namespace quantifier_run
