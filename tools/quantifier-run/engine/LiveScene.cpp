#include "engine/LiveScene.h"

#include "Orn_Guids.h"
#include "engine/ChannelMaking.h"

namespace quantifier_run {
namespace {

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
    ChannelOwners owners{plugin, ownedChannels, quantifiers};
    for (const ChannelSpec& def : scene.channels) {
        Orn_Channel& channel = MakerOf(def.kind).make(def, owners);
        // Every quantifier names itself "Quantifier"; streams find channels by the scene's names.
        channel.SetChannelName(def.name.c_str());
        channels.push_back(&channel);
        if (def.value) SetValue(channels.size() - 1, def.value->Initial());
    }
}

void LiveScene::Link() {
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const ChannelSpec& def = scene.channels[i];
        Orn_Channel* channel = channels[i];
        for (size_t child : def.children)
            channel->SetChild(channels[child], -1, 0);
        if (def.group) channel->SetChannelGroup(groups[*def.group].get());
        if (def.interfaceType) channel->SetChannelInterfaceType(*def.interfaceType);
        if (def.publicCall) channelInternal->SetPublicCallPath(channel, *def.publicCall);
        for (size_t k = 0; k < def.internalChildren.size(); ++k)
            channelInternal->SetInternalChild(channel, static_cast<int>(k),
                                              channels[def.internalChildren[k]]);
        if (def.registeredName)
            engine.RegisterChannel(orn_guid::kFloatInterface, def.registeredName->c_str(), channel);
    }
}

Orn_ChannelGroup* LiveScene::Group(size_t index) const {
    const auto& group = scene.channels[index].group;
    return group ? groups[*group].get() : nullptr;
}

void LiveScene::SetValue(size_t index, const Value& value) {
    MakerOf(scene.channels[index].kind).set(*channels[index], value);
}

void LiveScene::BeginFrame(size_t frame) {
    engine.BeginRender();
    if (scene.timer) engine.SetFrameTime(FrameTime(*scene.timer, frame));
    if (camera) {
        // Like the placement, the view setter renews the stamp on every call.
        Value between;
        if (const Value* view = scene.camera->view.At(frame, between);
            view && !SameBits(camera->GetViewMatrix(), std::get<XMMATRIX>(*view)))
            camera->SetViewMatrix(std::get<XMMATRIX>(*view));
    }
    Value between;
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const auto& timeline = scene.channels[i].value;
        if (!timeline) continue;
        if (const Value* value = timeline->At(frame, between)) SetValue(i, *value);
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
    return MakerOf(scene.channels[index].kind).read(*channels[index]);
}

}  // namespace quantifier_run
