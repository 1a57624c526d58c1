#include "SceneBuilder.h"

#include <cstring>

#include "Kch_MatrixChannel.h"
#include "Kch_ObjectChannel.h"
#include "Kch_TextChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"
#include "Orn_Guids.h"

namespace quantifier_run {
namespace {

template <class T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void SetText(Kch_TextChannel& channel, const TextValue& text) {
    switch (text.kind) {
        case TextValue::Kind::None:
            channel.ClearText();
            break;
        case TextValue::Kind::Narrow:
            channel.SetNarrowText(text.bytes);
            break;
        case TextValue::Kind::Wide:
            channel.SetWideText(text.units);
            break;
    }
}

float FrameTime(const Timeline& timer, size_t frame) {
    return std::get<float>(timer.InEffect(frame));
}

}  // namespace

LiveScene::LiveScene(const Scene& scene, const QuantifierPlugin& plugin) : scene(scene) {
    for (size_t i = 0; i < scene.windows.size(); ++i)
        windows.push_back(std::make_unique<char>());
    if (scene.mainWindow) engine.SetMainWindow(windows[*scene.mainWindow].get());
    for (const GroupSpec& group : scene.groups) {
        const OrnWindow window = group.window ? windows[*group.window].get() : nullptr;
        groups.push_back(std::make_unique<Orn_ChannelGroup>(group.path, window));
    }
    // A quantifier takes its timer and finds the camera when it is made, so both come first.
    if (scene.timer) engine.SetFrameTime(FrameTime(*scene.timer, 0));
    if (scene.camera) {
        camera = std::make_unique<Kch_CameraChannel>();
        camera->SetViewMatrix(std::get<XMMATRIX>(scene.camera->view.Initial()));
        camera->SetProjection(scene.camera->fovDegrees, scene.camera->aspect,
                              scene.camera->nearDistance, scene.camera->farDistance);
        engine.RegisterChannel(orn_guid::kCameraChannel, nullptr, camera.get());
    }
    try {
        CreateChannels(plugin);
        Link();
    } catch (...) {
        Release();
        throw;
    }
}

LiveScene::~LiveScene() {
    Release();
}

void LiveScene::Release() {
    for (Orn_Channel* channel : channels)
        channelInternal->Forget(channel);
    while (!quantifiers.empty())
        quantifiers.pop_back();
    ownedChannels.clear();
    channels.clear();
    camera.reset();
}

void LiveScene::CreateChannels(const QuantifierPlugin& plugin) {
    for (const ChannelSpec& spec : scene.channels) {
        Orn_Channel* channel = nullptr;
        const auto own = [&](std::unique_ptr<Orn_Channel> made) {
            channel = made.get();
            ownedChannels.push_back(std::move(made));
        };
        switch (spec.kind) {
            case ChannelKind::Float:
                own(std::make_unique<Kch_FloatChannel>());
                break;
            case ChannelKind::Vector:
                own(std::make_unique<Kch_VectorChannel>());
                break;
            case ChannelKind::Matrix:
                own(std::make_unique<Kch_MatrixChannel>());
                break;
            case ChannelKind::Text:
                own(std::make_unique<Kch_TextChannel>());
                break;
            case ChannelKind::Unsigned:
                own(std::make_unique<Kch_UnsignedChannel>());
                break;
            case ChannelKind::MatchA:
                own(std::make_unique<Kch_MatchChannelA>());
                break;
            case ChannelKind::MatchB:
                own(std::make_unique<Kch_MatchChannelB>());
                break;
            case ChannelKind::Object: {
                auto object = std::make_unique<Kch_ObjectChannel>();
                object->SetTestRegion(spec.regionMin, spec.regionMax);
                object->SetHasInnerObject(spec.innerObject.has_value());
                if (spec.innerObject) object->innerObject->SetObjectMatrix(0, &*spec.innerObject);
                own(std::move(object));
                break;
            }
            case ChannelKind::Quantifier: {
                std::unique_ptr<Kch_Quantifier> made(plugin.Create());
                quantifiers.push_back(std::move(made));
                Kch_Quantifier& quantifier = *quantifiers.back();
                channel = &quantifier;
                quantifier.SetOperationType(spec.operation);
                if (spec.storeCurrentValue)
                    quantifier.SetStoreCurrentValue(*spec.storeCurrentValue);
                if (spec.updateChannelname)
                    quantifier.SetUpdateChannelname(*spec.updateChannelname);
                // The engine asks every channel what it depends on; the stand-in needs no answer.
                Orn_List dependencies;
                quantifier.DoDependencyInit(&dependencies);
                break;
            }
        }
        // Every quantifier names itself "Quantifier"; streams find channels by the scene's names.
        channel->SetChannelName(spec.name.c_str());
        channels.push_back(channel);
        if (spec.value) SetValue(channels.size() - 1, spec.value->Initial());
    }
}

void LiveScene::Link() {
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const ChannelSpec& spec = scene.channels[i];
        Orn_Channel* channel = channels[i];
        for (size_t child : spec.children)
            channel->SetChild(channels[child], -1, 0);
        if (spec.group) channel->SetChannelGroup(groups[*spec.group].get());
        if (spec.interfaceType) channel->SetChannelInterfaceType(*spec.interfaceType);
        if (spec.publicCall) channelInternal->SetPublicCallPath(channel, *spec.publicCall);
        for (size_t k = 0; k < spec.internalChildren.size(); ++k)
            channelInternal->SetInternalChild(channel, static_cast<int>(k),
                                              channels[spec.internalChildren[k]]);
        if (spec.registeredName)
            engine.RegisterChannel(orn_guid::kFloatInterface, spec.registeredName->c_str(),
                                   channel);
    }
}

Orn_ChannelGroup* LiveScene::Group(size_t index) const {
    const auto& group = scene.channels[index].group;
    return group ? groups[*group].get() : nullptr;
}

void LiveScene::SetValue(size_t index, const Value& value) {
    Orn_Channel* channel = channels[index];
    // Each setter renews the time stamp only when the value changes, so a value that stays
    // the same from frame to frame keeps its stamp.
    switch (scene.channels[index].kind) {
        case ChannelKind::Float:
        case ChannelKind::Quantifier:
            static_cast<Kch_FloatChannel*>(channel)->SetFloat(std::get<float>(value));
            break;
        case ChannelKind::Vector:
            static_cast<Kch_VectorChannel*>(channel)->SetVector(std::get<XMFLOAT4>(value));
            break;
        case ChannelKind::Matrix:
            static_cast<Kch_MatrixChannel*>(channel)->SetMatrix(std::get<XMMATRIX>(value));
            break;
        case ChannelKind::Text:
            SetText(*static_cast<Kch_TextChannel*>(channel), std::get<TextValue>(value));
            break;
        case ChannelKind::Unsigned:
            static_cast<Kch_UnsignedChannel*>(channel)->SetUnsignedValue(std::get<uint32_t>(value));
            break;
        case ChannelKind::MatchA:
            static_cast<Kch_MatchChannelA*>(channel)->SetMatchValue(std::get<int32_t>(value));
            break;
        case ChannelKind::MatchB:
            static_cast<Kch_MatchChannelB*>(channel)->SetMatchValue(std::get<int32_t>(value));
            break;
        case ChannelKind::Object: {
            // The placement setter renews the stamp on every call, so only a change is set.
            auto* object = static_cast<Kch_ObjectChannel*>(channel);
            const XMMATRIX& placement = std::get<XMMATRIX>(value);
            if (!SameBits(object->GetPlacementMatrix(), placement))
                object->SetPlacementMatrix(placement);
            break;
        }
    }
}

void LiveScene::BeginFrame(size_t frame) {
    engine.BeginRender();
    if (scene.timer) engine.SetFrameTime(FrameTime(*scene.timer, frame));
    if (camera) {
        // Like the placement, the view setter renews the stamp on every call.
        if (const Value* view = scene.camera->view.At(frame);
            view && !SameBits(camera->GetViewMatrix(), std::get<XMMATRIX>(*view)))
            camera->SetViewMatrix(std::get<XMMATRIX>(*view));
    }
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const auto& timeline = scene.channels[i].value;
        if (!timeline) continue;
        if (const Value* value = timeline->At(frame)) SetValue(i, *value);
    }
}

void LiveScene::Apply(const ActionSpec& action) {
    Orn_Channel* channel = channels[action.channel];
    if (action.kind == ActionKind::CallChannel) {
        channel->CallChannel();
        return;
    }
    // The scene reader lets only quantifiers be the target of the other actions.
    auto* quantifier = static_cast<Kch_Quantifier*>(channel);
    switch (action.kind) {
        case ActionKind::IncreaseInvalidateCount:
            quantifier->IncreaseInvalidateCount();
            break;
        case ActionKind::SetOperationType:
            quantifier->SetOperationType(action.number);
            break;
        case ActionKind::SetStoreCurrentValue:
            quantifier->SetStoreCurrentValue(action.flag);
            break;
        case ActionKind::SetUpdateChannelname:
            quantifier->SetUpdateChannelname(action.flag);
            break;
        case ActionKind::CallChannel:
            break;
    }
}

Cell LiveScene::Read(size_t index) {
    Orn_Channel* channel = channels[index];
    switch (scene.channels[index].kind) {
        case ChannelKind::Float:
        case ChannelKind::Quantifier:
            return static_cast<Kch_FloatChannel*>(channel)->GetFloat();
        case ChannelKind::Vector:
            return static_cast<Kch_VectorChannel*>(channel)->GetVector();
        case ChannelKind::Matrix:
            return static_cast<Kch_MatrixChannel*>(channel)->GetMatrix();
        case ChannelKind::Unsigned:
            return static_cast<Kch_UnsignedChannel*>(channel)->GetUnsignedValue();
        case ChannelKind::MatchA:
            return static_cast<Kch_MatchChannelA*>(channel)->GetMatchValue();
        case ChannelKind::MatchB:
            return static_cast<Kch_MatchChannelB*>(channel)->GetMatchValue();
        case ChannelKind::Object:
            return static_cast<Kch_ObjectChannel*>(channel)->GetTestResult() ? 1.0f : 0.0f;
        case ChannelKind::Text: {
            // What the channel hands a reader: its text up to the first NUL.
            auto* text = static_cast<Kch_TextChannel*>(channel);
            TextCell cell;
            if (text->IsWideText()) {
                cell.kind = TextValue::Kind::Wide;
                for (const OrnWideChar* unit = text->GetWideText(); *unit != 0; ++unit)
                    cell.units += static_cast<char16_t>(*unit);
            } else if (const char* bytes = text->GetText()) {
                cell.kind = TextValue::Kind::Narrow;
                cell.bytes = bytes;
            }
            return cell;
        }
    }
    return 0.0f;
}

}  // namespace quantifier_run
