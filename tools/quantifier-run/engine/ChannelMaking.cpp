#include "engine/ChannelMaking.h"

#include <concepts>
#include <iterator>
#include <string>

#include "Kch_MatrixChannel.h"
#include "Kch_ObjectChannel.h"
#include "Kch_TextChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"
#include "engine/RunError.h"

namespace quantifier_run {
namespace {

// ---------------------------------------------------------------------------------------------
// How each host class is made, set and read: the code a new kind brings. A kind's entry is
// picked by its host class (ChannelKinds.def), so a class without its overloads does not
// compile. Each takes the class the engine calls through, so a quantifier is set and read as
// the float channel it is to the engine.

template <class Channel>
Orn_Channel& Make(const ChannelSpec&, ChannelOwners& owners) {
    owners.channels.push_back(std::make_unique<Channel>());
    return *owners.channels.back();
}

template <>
Orn_Channel& Make<Kch_ObjectChannel>(const ChannelSpec& def, ChannelOwners& owners) {
    auto object = std::make_unique<Kch_ObjectChannel>();
    object->SetTestRegion(def.regionMin, def.regionMax);
    object->SetHasInnerObject(def.innerObject.has_value());
    if (def.innerObject) object->innerObject->SetObjectMatrix(0, &*def.innerObject);
    owners.channels.push_back(std::move(object));
    return *owners.channels.back();
}

template <>
Orn_Channel& Make<Kch_Quantifier>(const ChannelSpec& def, ChannelOwners& owners) {
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

void SetOn(Kch_FloatChannel& channel, float value) {
    channel.SetFloat(value);
}
void SetOn(Kch_VectorChannel& channel, const XMFLOAT4& value) {
    channel.SetVector(value);
}
void SetOn(Kch_MatrixChannel& channel, const XMMATRIX& value) {
    channel.SetMatrix(value);
}
void SetOn(Kch_TextChannel& text, const TextValue& given) {
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
void SetOn(Kch_UnsignedChannel& channel, uint32_t value) {
    channel.SetUnsignedValue(value);
}
template <class Match>
requires std::same_as<Match, Kch_MatchChannelA> || std::same_as<Match, Kch_MatchChannelB>
void SetOn(Match& channel, int32_t value) {
    channel.SetMatchValue(value);
}
void SetOn(Kch_ObjectChannel& object, const XMMATRIX& placement) {
    // The placement setter renews the stamp on every call, so only a change is set.
    if (!SameBits(object.GetPlacementMatrix(), placement)) object.SetPlacementMatrix(placement);
}

Cell ReadFrom(Kch_FloatChannel& channel) {
    return channel.GetFloat();
}
Cell ReadFrom(Kch_VectorChannel& channel) {
    return channel.GetVector();
}
Cell ReadFrom(Kch_MatrixChannel& channel) {
    return channel.GetMatrix();
}
Cell ReadFrom(Kch_TextChannel& text) {
    // What the channel hands a reader: its text up to the first NUL.
    TextValue cell;
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
Cell ReadFrom(Kch_UnsignedChannel& channel) {
    return channel.GetUnsignedValue();
}
template <class Match>
requires std::same_as<Match, Kch_MatchChannelA> || std::same_as<Match, Kch_MatchChannelB> Cell
ReadFrom(Match& channel) {
    return channel.GetMatchValue();
}
Cell ReadFrom(Kch_ObjectChannel& object) {
    return object.GetTestResult() ? 1.0f : 0.0f;
}

// ---------------------------------------------------------------------------------------------
// The entries, one per kind at the kind's own index.

template <class HostClass, class ValueType>
void Set(Orn_Channel& channel, const Value& value) {
    SetOn(static_cast<HostClass&>(channel), std::get<ValueType>(value));
}
template <class HostClass>
Cell Read(Orn_Channel& channel) {
    return ReadFrom(static_cast<HostClass&>(channel));
}

constexpr ChannelMaker kMakers[] = {
#define QUANTIFIER_CHANNEL_KIND(Kind, name, HostClass, ValueType, ...) \
    {.kind = ChannelKind::Kind,                                        \
     .make = Make<HostClass>,                                          \
     .set = Set<HostClass, ValueType>,                                 \
     .read = Read<HostClass>},
#include "engine/ChannelKinds.def"
};
static_assert(std::size(kMakers) == kChannelKindCount);

}  // namespace

const ChannelMaker& MakerOf(ChannelKind kind) {
    // Kinds are checked where they are read, so another value is this program's own fault; made
    // as a float it would run a different scene without a word.
    const auto index = static_cast<size_t>(kind);
    if (index >= std::size(kMakers))
        throw RunError(kExitFailure, "internal error: no channel kind " + std::to_string(index));
    return kMakers[index];
}

}  // namespace quantifier_run
