#include "engine/SceneObserver.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Orn_ChannelInternal.h"
#include "Orn_Guids.h"
#include "engine/ChannelMaking.h"

namespace quantifier_run {
namespace {

// The interface a lookup of that kind asks for, as the host's lookup reports tell it.
OrnGuid GuidOf(ChildKind kind) {
    switch (kind) {
        case ChildKind::Float:
            return orn_guid::kFloatInterface;
        case ChildKind::Vector:
            return orn_guid::kVectorInterface;
        case ChildKind::Matrix:
            return orn_guid::kMatrixInterface;
        case ChildKind::Text:
            return orn_guid::kTextInterface;
        case ChildKind::Object:
            return orn_guid::kObjectInterface;
        case ChildKind::Unsigned:
            return orn_guid::kUnsignedInterface;
        case ChildKind::MatchA:
            return orn_guid::kMatchAInterface;
        case ChildKind::MatchB:
            return orn_guid::kMatchBInterface;
        case ChildKind::Any:
            return orn_guid::kWildcard;
        case ChildKind::Internal:
            return orn_guid::kNull;
    }
    return orn_guid::kNull;
}

std::optional<ChildKind> KindOf(const OrnGuid& guid) {
    for (size_t k = 0; k < kEnumCount<ChildKind>; ++k) {
        if (GuidOf(static_cast<ChildKind>(k)) == guid) return static_cast<ChildKind>(k);
    }
    return std::nullopt;
}

// The kinds whose outputs are floats, and so have a sparkline.
bool FloatValued(ChannelKind kind) {
    return kind == ChannelKind::Float || kind == ChannelKind::Quantifier ||
           kind == ChannelKind::Object;
}

}  // namespace

SceneObserver::SceneObserver(LiveScene& live, const ObserveRequest& request, size_t frames,
                             bool loaded)
    : live(live), request(request), frames(frames) {
    const size_t count = live.ChannelCount();
    for (size_t i = 0; i < count; ++i)
        indexOf.emplace(&live.Channel(i), i);
    reads.assign(count, 0);
    evaluations.assign(count, 0);
    lastValue.assign(count, std::nullopt);
    observation.frame = request.frame;
    observation.channels.resize(count);
    const float none = std::numeric_limits<float>::quiet_NaN();
    const size_t columns = std::min(request.sparkColumns, frames);
    for (size_t i = 0; i < count; ++i) {
        if (loaded && live.Definition(i).kind == ChannelKind::Quantifier) {
            // The value a record stored is the state its first evaluation starts from; the
            // engine's own accessor gives it without evaluating or counting a read.
            auto& quantifier = static_cast<Kch_Quantifier&>(live.Channel(i));
            if (quantifier.GetStoreCurrentValue())
                lastValue[i] = quantifier.Kch_FloatChannel::GetFloat();
        }
        if (!FloatValued(live.Definition(i).kind)) continue;
        observation.channels[i].sparkLow.assign(columns, none);
        observation.channels[i].sparkHigh.assign(columns, none);
    }
    globalEngine->SetRenderCheckObserver(OnRenderCheck, this);
}

SceneObserver::~SceneObserver() {
    globalEngine->SetRenderCheckObserver(nullptr, nullptr);
    if (watchingLookups) OrnSetLookupObserver(nullptr, nullptr);
}

void SceneObserver::OnRenderCheck(Orn_Channel* channel, bool evaluates, void* context) {
    auto& self = *static_cast<SceneObserver*>(context);
    if (!self.counting) return;
    const auto found = self.indexOf.find(channel);
    if (found == self.indexOf.end()) return;
    ++self.reads[found->second];
    if (evaluates) ++self.evaluations[found->second];
}

void SceneObserver::OnLookup(const Orn_Channel* parent, const OrnGuid& guid, int index,
                             void* context) {
    auto& self = *static_cast<SceneObserver*>(context);
    const auto found = self.indexOf.find(parent);
    const std::optional<ChildKind> kind = KindOf(guid);
    if (found == self.indexOf.end() || !kind) return;
    ChannelObservation& seen = self.observation.channels[found->second];
    seen.lookupsObserved = true;
    seen.lookups.push_back({.kind = *kind, .index = index, .found = std::nullopt});
}

void SceneObserver::BeforeFrame(size_t frame) {
    std::fill(reads.begin(), reads.end(), 0);
    std::fill(evaluations.begin(), evaluations.end(), 0);
    if (frame == request.frame) {
        OrnSetLookupObserver(OnLookup, this);
        watchingLookups = true;
    }
}

std::optional<Cell> SceneObserver::QuietRead(size_t index) {
    const ChannelKind kind = live.Definition(index).kind;
    // A quantifier nothing read in this render would evaluate now, and change its state.
    if (kind == ChannelKind::Quantifier && evaluations[index] == 0) return std::nullopt;
    return MakerOf(kind).read(live.Channel(index));
}

void SceneObserver::Resolve(size_t parent, ObservedLookup& lookup) {
    Orn_Channel& channel = live.Channel(parent);
    Orn_Channel* child = nullptr;
    if (lookup.kind == ChildKind::Any)
        child = channel.GetChild(lookup.index);
    else if (lookup.kind == ChildKind::Internal)
        child = channelInternal->GetInternalChild(&channel, lookup.index);
    else
        child = channel.GetChildFromLinkGuid(GuidOf(lookup.kind), lookup.index);
    const auto found = indexOf.find(child);
    if (found != indexOf.end()) lookup.found = found->second;
}

void SceneObserver::AfterFrame(size_t frame) {
    // What is read here is the observer's, not the scene's.
    counting = false;
    const size_t count = live.ChannelCount();
    if (frame == request.frame) {
        OrnSetLookupObserver(nullptr, nullptr);
        watchingLookups = false;
        for (size_t i = 0; i < count; ++i) {
            ChannelObservation& seen = observation.channels[i];
            seen.reads = reads[i];
            seen.evaluations = evaluations[i];
            seen.value = QuietRead(i);
            if (live.Definition(i).kind != ChannelKind::Quantifier) continue;
            auto& quantifier = static_cast<Kch_Quantifier&>(live.Channel(i));
            seen.operation = quantifier.GetOperationType();
            seen.before = lastValue[i];
            if (!seen.lookupsObserved) {
                // Not evaluated at this frame: the lookups its row makes, as the engine answers.
                if (const OperationInfo* row = FindOperation(*seen.operation)) {
                    for (size_t s = 0; s < row->children.size(); ++s) {
                        int32_t index = 0;
                        for (size_t e = 0; e < s; ++e)
                            index += row->children[e].kind == row->children[s].kind ? 1 : 0;
                        seen.lookups.push_back({row->children[s].kind, index, std::nullopt});
                    }
                }
            }
            for (ObservedLookup& lookup : seen.lookups)
                Resolve(i, lookup);
        }
    }
    for (size_t i = 0; i < count; ++i) {
        ChannelObservation& seen = observation.channels[i];
        const bool quantifier = live.Definition(i).kind == ChannelKind::Quantifier;
        if (seen.sparkLow.empty() && !quantifier) continue;
        const std::optional<Cell> value = frame == request.frame ? seen.value : QuietRead(i);
        const float* number = value ? std::get_if<float>(&*value) : nullptr;
        if (number == nullptr) continue;
        if (quantifier) lastValue[i] = *number;
        if (seen.sparkLow.empty() || !std::isfinite(*number)) continue;
        const size_t column = frame * seen.sparkLow.size() / frames;
        float& low = seen.sparkLow[column];
        float& high = seen.sparkHigh[column];
        if (std::isnan(low) || *number < low) low = *number;
        if (std::isnan(high) || *number > high) high = *number;
    }
    counting = true;
}

}  // namespace quantifier_run
