#include "ChannelMaking.h"

#include <cstring>
#include <iterator>
#include <string>

#include "Kch_MatrixChannel.h"
#include "Kch_ObjectChannel.h"
#include "Kch_TextChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"
#include "RunError.h"

namespace quantifier_run {
namespace {

template <class T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
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

// One entry per kind, at the kind's own index.
constexpr ChannelMaker kMakers[] = {
    {.kind = ChannelKind::Float,
     .make = Make<Kch_FloatChannel>,
     .set = SetFloat,
     .read = ReadFloatCell},
    {.kind = ChannelKind::Vector,
     .make = Make<Kch_VectorChannel>,
     .set = SetVector,
     .read = ReadVectorCell},
    {.kind = ChannelKind::Matrix,
     .make = Make<Kch_MatrixChannel>,
     .set = SetMatrix,
     .read = ReadMatrixCell},
    {.kind = ChannelKind::Text,
     .make = Make<Kch_TextChannel>,
     .set = SetText,
     .read = ReadTextCell},
    {.kind = ChannelKind::Quantifier,
     .make = MakeQuantifier,
     .set = SetFloat,
     .read = ReadFloatCell},
    {.kind = ChannelKind::Object,
     .make = MakeObject,
     .set = SetPlacement,
     .read = ReadTestResultCell},
    {.kind = ChannelKind::Unsigned,
     .make = Make<Kch_UnsignedChannel>,
     .set = SetUnsigned,
     .read = ReadUnsignedCell},
    {.kind = ChannelKind::MatchA,
     .make = Make<Kch_MatchChannelA>,
     .set = SetMatch<Kch_MatchChannelA>,
     .read = ReadMatchCell<Kch_MatchChannelA>},
    {.kind = ChannelKind::MatchB,
     .make = Make<Kch_MatchChannelB>,
     .set = SetMatch<Kch_MatchChannelB>,
     .read = ReadMatchCell<Kch_MatchChannelB>},
};

constexpr bool EveryKindAtItsIndex() {
    if (std::size(kMakers) != kEnumCount<ChannelKind>) return false;
    for (size_t i = 0; i < std::size(kMakers); ++i) {
        if (static_cast<size_t>(kMakers[i].kind) != i) return false;
    }
    return true;
}
static_assert(EveryKindAtItsIndex(), "kMakers holds one entry per kind, in the kinds' order");

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
