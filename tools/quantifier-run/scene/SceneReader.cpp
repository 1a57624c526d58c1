#include "scene/SceneReader.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "OperationTable.h"
#include "common/Suggestions.h"
#include "scene/ChannelKinds.h"
#include "scene/OperationList.h"
#include "scene/SceneKeys.h"

namespace quantifier_run {

ParsedScene SceneReader::Parse() {
    scene.source.label = Document().Label();
    if (!root.is_object()) Fail(root, "", "a scene is a JSON object, not " + Describe(root));
    CheckKeys(root, "", KeyNames(KeysOf(SceneObject::Scene)));
    // Texts for people and editors, which the run ignores.
    for (const char* key : {"$schema", "description"}) {
        if (const Json* d = Find(root, key); d && !d->is_string())
            Fail(*d, key, "expected a text, got " + Describe(*d));
    }
    ParseWindows();
    ParseGroups();
    ParseChannels();
    if (const Json* camera = Find(root, "camera")) ParseCamera(*camera);
    if (const Json* timer = Find(root, "timer")) scene.timer = ParseTimer(*timer);
    ParseActions();
    ParseOutputs();
    ParseFrameCount();
    scene.expectations = ReadExpectations(*this, root, scene);
    return std::move(scene);
}

size_t SceneReader::ChannelIndexOf(const ChannelSpec& channel) const {
    return static_cast<size_t>(&channel - scene.channels.data());
}

size_t SceneReader::ChannelIndex(const Json& value, const std::string& where) const {
    const std::string name = ReadName(value, where);
    const auto found = channelIndex.find(name);
    if (found == channelIndex.end()) {
        std::vector<std::string> names;
        for (const auto& entry : channelIndex)
            names.push_back(entry.first);
        Fail(value, where, "no channel is named " + Quoted(name) + DidYouMean(name, names));
    }
    return found->second;
}

int32_t SceneReader::ReadOperation(const Json& value, const std::string& where) {
    if (value.is_string()) {
        const std::string name = value.get<std::string>();
        if (const auto id = FindOperationByName(name)) return static_cast<int32_t>(*id);
        Fail(value, where,
             "unknown operation " + Quoted(name) + DidYouMean(OperationsNear(name)) +
                 "; quantifier-run --list-operations lists them all");
    }
    const auto number = static_cast<int32_t>(ReadInteger(
        value, where, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    if (FindOperation(number) == nullptr)
        scene.warnings.push_back(Warning(value, where,
                                         "operation " + std::to_string(number) + " is outside 0.." +
                                             std::to_string(kOperationCount - 1) +
                                             " and evaluates to 0"));
    return number;
}

void SceneReader::RefuseTwoOf(const Json& object, std::initializer_list<const char*> keys,
                              const std::string& where) const {
    std::vector<const char*> given;
    for (const char* key : keys) {
        if (Find(object, key)) given.push_back(key);
    }
    if (given.size() < 2) return;
    // Told at the one written later, which is where the second thought is.
    const auto at = [&](const char* key) {
        const TextPosition place = Document().KeyPositionOf(*Find(object, key));
        return std::pair(place.line, place.column);
    };
    FailAtKey(*Find(object, at(given[1]) > at(given[0]) ? given[1] : given[0]), where,
              std::string("give either \"") + given[0] + "\" or \"" + given[1] + "\", not both");
}

bool SceneReader::ReadInterpolation(const Json& object, const std::string& where,
                                    bool movable) const {
    const Json* interpolate = Find(object, "interpolate");
    if (interpolate == nullptr) return false;
    const std::string at = where + ".interpolate";
    if (!Find(object, "keys"))
        FailAtKey(*interpolate, at, "moves between keys: give \"keys\" with it");
    if (*interpolate == "hold") return false;
    if (*interpolate != "linear")
        Fail(*interpolate, at, "expected \"hold\" or \"linear\", got " + Describe(*interpolate));
    if (!movable) Fail(*interpolate, at, "only float and vector values move; these keys hold");
    return true;
}

std::vector<std::pair<size_t, const Json*>> SceneReader::ReadKeyFrames(
    const Json& keys, const std::string& where) const {
    if (!keys.is_object() || keys.empty())
        Fail(keys, where,
             "expected an object of values by frame ({\"0\": ..., \"8\": ...}), got " +
                 Describe(keys));
    std::vector<std::pair<size_t, const Json*>> frames;
    for (const auto& [key, value] : Document().MembersInOrder(keys)) {
        // Frame numbers as decimal digits, whatever JSON tools would read in a number.
        const bool digits = !key->empty() && key->size() <= 10 &&
                            key->find_first_not_of("0123456789") == std::string::npos;
        const int64_t frame = digits ? std::stoll(*key) : -1;
        if (frame < 0 || frame > kMostFrames)
            FailAtKey(*value, where,
                      "a key is a frame number 0.." + std::to_string(kMostFrames) + ", not " +
                          Quoted(*key));
        const auto at = static_cast<size_t>(frame);
        if (!frames.empty() && at <= frames.back().first)
            FailAtKey(*value, where,
                      at == frames.back().first
                          ? "the key at frame " + std::to_string(at) + " is given twice"
                          : "the key at frame " + std::to_string(at) +
                                " is written after the key at frame " +
                                std::to_string(frames.back().first) + "; keys go in frame order");
        frames.emplace_back(at, value);
    }
    return frames;
}

void SceneReader::ParseWindows() {
    if (const Json* windows = Find(root, "windows")) {
        RequireArray(*windows, "windows");
        for (size_t i = 0; i < windows->size(); ++i) {
            const std::string where = "windows[" + std::to_string(i) + "]";
            std::string name = ReadName((*windows)[i], where);
            if (std::find(scene.windows.begin(), scene.windows.end(), name) != scene.windows.end())
                Fail((*windows)[i], where, "window " + Quoted(name) + " is listed twice");
            scene.windows.push_back(std::move(name));
        }
    }
    if (const Json* main = Find(root, "mainWindow"))
        scene.mainWindow = WindowIndex(*main, "mainWindow");
}

void SceneReader::ParseGroups() {
    const Json* groups = Find(root, "groups");
    if (groups == nullptr) return;
    RequireArray(*groups, "groups");
    for (size_t i = 0; i < groups->size(); ++i) {
        const Json& item = (*groups)[i];
        std::string where = "groups[" + std::to_string(i) + "]";
        if (!item.is_object()) Fail(item, where, "expected an object, got " + Describe(item));
        CheckKeys(item, where, KeyNames(KeysOf(SceneObject::Group)));
        GroupSpec group;
        const Json& name = Require(item, "name", where);
        group.name = ReadName(name, where + ".name");
        where = "group " + Quoted(group.name);
        for (const GroupSpec& other : scene.groups) {
            if (other.name == group.name) Fail(name, where, "the name is given to two groups");
        }
        if (const Json* path = Find(item, "path"))
            group.path = ReadOptionalText(*path, where + ".path");
        if (const Json* window = Find(item, "window"))
            group.window = WindowIndex(*window, where + ".window");
        scene.groups.push_back(std::move(group));
    }
}

std::optional<size_t> SceneReader::WindowIndex(const Json& value, const std::string& where) const {
    if (value.is_null()) return std::nullopt;
    const std::string name = ReadName(value, where);
    for (size_t i = 0; i < scene.windows.size(); ++i) {
        if (scene.windows[i] == name) return i;
    }
    Fail(value, where,
         "no window is named " + Quoted(name) + " (list it under \"windows\")" +
             DidYouMean(name, scene.windows));
}

void SceneReader::ParseChannels() {
    const Json& channels = RequireArray(Require(root, "channels", ""), "channels");
    // Names and kinds first: children may name channels listed after their parent.
    for (size_t i = 0; i < channels.size(); ++i) {
        const Json& item = channels[i];
        const std::string where = "channels[" + std::to_string(i) + "]";
        if (!item.is_object()) Fail(item, where, "expected an object, got " + Describe(item));
        ChannelSpec channel;
        const Json& name = Require(item, "name", where);
        channel.name = ReadName(name, where + ".name");
        const std::string named = "channel " + Quoted(channel.name);
        if (!channelIndex.emplace(channel.name, i).second)
            Fail(name, named, "the name is given to two channels");
        const Json& type = Require(item, "type", named);
        if (!type.is_string())
            Fail(type, named + ".type", "expected a channel type, got " + Describe(type));
        const ChannelKindInfo* kind = KindNamed(type.get<std::string>());
        if (kind == nullptr) {
            std::vector<std::string> kinds;
            for (const ChannelKindInfo& k : ChannelKinds())
                kinds.emplace_back(k.name);
            Fail(type, named,
                 "unknown channel type " + Quoted(type.get<std::string>()) +
                     DidYouMean(type.get<std::string>(), kinds) + "; the types are " +
                     ListedNames(kinds));
        }
        channel.kind = kind->kind;
        scene.channels.push_back(std::move(channel));
        ChannelSource& source = scene.source.channels.emplace_back();
        source.name = source.children = Document().PositionOf(name);
    }
    registered.assign(channels.size(), nullptr);
    for (size_t i = 0; i < channels.size(); ++i)
        ParseChannel(channels[i], scene.channels[i]);
    std::map<std::string, std::string> names;
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const ChannelSpec& channel = scene.channels[i];
        if (!channel.registeredName) continue;
        const auto [entry, added] = names.emplace(*channel.registeredName, channel.name);
        if (!added)
            Fail(*registered[i], "channel " + Quoted(channel.name) + ".register",
                 Quoted(*channel.registeredName) + " is already registered by channel " +
                     Quoted(entry->second));
    }
}

void SceneReader::ParseChannel(const Json& item, ChannelSpec& channel) {
    const ChannelKindInfo& kind = KindInfo(channel.kind);
    const std::string where = "channel " + Quoted(channel.name);
    std::vector<std::string> keys = KeyNames(KeysOf(SceneObject::Channel));
    keys.insert(keys.end(), kind.keys.begin(), kind.keys.end());
    CheckKeys(item, where, keys, [&] { return KeysTaken(kind); });
    ParseEngineLinks(item, channel, where);
    kind.parse(*this, item, channel, where);
    ChannelSource& source = SourceOf(channel);
    if (const Json* frames = Find(item, "frames")) source.perFrame = Document().PositionOf(*frames);
    if (const Json* keys = Find(item, "keys")) source.perFrame = Document().PositionOf(*keys);
}

void SceneReader::ParseEngineLinks(const Json& item, ChannelSpec& channel,
                                   const std::string& where) {
    if (const Json* group = Find(item, "group")) {
        const std::string name = ReadName(*group, where + ".group");
        std::vector<std::string> names;
        for (size_t g = 0; g < scene.groups.size(); ++g) {
            if (scene.groups[g].name == name) channel.group = g;
            names.push_back(scene.groups[g].name);
        }
        if (!channel.group)
            Fail(*group, where + ".group",
                 "no group is named " + Quoted(name) + " (list it under \"groups\")" +
                     DidYouMean(name, names));
    }
    if (const Json* internal = Find(item, "internal")) {
        RequireArray(*internal, where + ".internal");
        std::vector<TextPosition>& places = SourceOf(channel).internal;
        for (size_t k = 0; k < internal->size(); ++k) {
            channel.internalChildren.push_back(
                ChannelIndex((*internal)[k], where + ".internal[" + std::to_string(k) + "]"));
            places.push_back(Document().PositionOf((*internal)[k]));
        }
    }
    if (const Json* type = Find(item, "interfaceType"))
        channel.interfaceType = static_cast<int32_t>(
            ReadInteger(*type, where + ".interfaceType", std::numeric_limits<int32_t>::min(),
                        std::numeric_limits<int32_t>::max()));
    if (const Json* call = Find(item, "publicCall")) {
        const std::string at = where + ".publicCall";
        if (!call->is_string()) Fail(*call, at, "expected a file path, got " + Describe(*call));
        const std::string path = call->get<std::string>();
        constexpr size_t kLongest = kLongestPublicCall;
        if (path.find('\0') != std::string::npos) Fail(*call, at, "a path holds no NUL");
        if (path.size() > kLongest)
            Fail(*call, at, "the path is longer than " + std::to_string(kLongest) + " bytes");
        channel.publicCall = path;
    }
    if (const Json* name = Find(item, "register")) {
        // What the engine finds under the float interface is read as a float channel.
        if (!KindInfo(channel.kind).readAsFloat)
            Fail(*name, where + ".register",
                 "only float channels and quantifiers are registered under the float interface");
        channel.registeredName = ReadName(*name, where + ".register");
        registered[ChannelIndexOf(channel)] = name;
    }
}

void SceneReader::ParseCamera(const Json& item) {
    if (!item.is_object()) Fail(item, "camera", "expected an object, got " + Describe(item));
    CheckKeys(item, "camera", KeyNames(KeysOf(SceneObject::Camera)));
    CameraSpec camera;
    auto view = ReadTimeline(item, "view", "camera", [&](const Json& v, const std::string& at) {
        return Value(ReadMatrix(v, at));
    });
    camera.view = view ? std::move(*view) : Timeline::Constant(IdentityMatrix());
    if (const Json* frames = Find(item, "frames"))
        scene.source.cameraFrames = Document().PositionOf(*frames);
    if (const Json* fov = Find(item, "fov")) camera.fovDegrees = ReadFloat(*fov, "camera.fov");
    if (const Json* aspect = Find(item, "aspect"))
        camera.aspect = ReadFloat(*aspect, "camera.aspect");
    if (const Json* nearD = Find(item, "near"))
        camera.nearDistance = ReadFloat(*nearD, "camera.near");
    if (const Json* farD = Find(item, "far")) camera.farDistance = ReadFloat(*farD, "camera.far");
    // Comparisons written so that NaN fails them.
    // Comparisons written so that NaN fails them. A default that fails is told at the camera.
    const auto given = [&](const char* key) -> const Json& {
        const Json* value = Find(item, key);
        return value ? *value : item;
    };
    if (!(camera.fovDegrees > 0.0f && camera.fovDegrees < 180.0f))
        Fail(given("fov"), "camera.fov", "the field of view lies between 0 and 180 degrees");
    if (!(camera.aspect > 0.0f && std::isfinite(camera.aspect)))
        Fail(given("aspect"), "camera.aspect", "the aspect is a positive number");
    if (!(camera.nearDistance > 0.0f && camera.farDistance > camera.nearDistance &&
          std::isfinite(camera.farDistance)))
        Fail(Find(item, "near") ? given("near") : given("far"), "camera",
             "near and far are distances with 0 < near < far");
    scene.camera = std::move(camera);
}

Timeline SceneReader::ParseTimer(const Json& item) {
    Timeline timer;
    if (item.is_array()) {
        if (item.empty()) Fail(item, "timer", "the list needs at least one value");
        timer.perFrame = true;
        scene.source.timer = Document().PositionOf(item);
        for (size_t i = 0; i < item.size(); ++i)
            timer.values.emplace_back(ReadFloat(item[i], "timer[" + std::to_string(i) + "]"));
    } else {
        timer.values.emplace_back(ReadFloat(item, "timer"));
    }
    return timer;
}

void SceneReader::ParseActions() {
    const Json* actions = Find(root, "actions");
    if (actions == nullptr) return;
    RequireArray(*actions, "actions");
    std::vector<std::string> names;
    for (const ActionRow& a : Actions())
        names.emplace_back(a.name);
    for (size_t i = 0; i < actions->size(); ++i) {
        const Json& item = (*actions)[i];
        const std::string where = "actions[" + std::to_string(i) + "]";
        if (!item.is_object()) Fail(item, where, "expected an object, got " + Describe(item));
        CheckKeys(item, where, KeyNames(KeysOf(SceneObject::Action)));
        ActionSpec action;
        const Json& frame = Require(item, "frame", where);
        action.frame = static_cast<size_t>(ReadInteger(frame, where + ".frame", 0, kMostFrames));
        action.channel = ChannelIndex(Require(item, "channel", where), where + ".channel");
        const Json& what = Require(item, "do", where);
        if (!what.is_string())
            Fail(what, where + ".do", "expected an action name, got " + Describe(what));
        const std::string name = what.get<std::string>();
        const ActionRow* found = nullptr;
        for (const ActionRow& a : Actions()) {
            if (name == a.name) found = &a;
        }
        if (found == nullptr)
            Fail(what, where + ".do", "unknown action " + Quoted(name) + DidYouMean(name, names));
        action.kind = found->kind;
        const ChannelSpec& target = scene.channels[action.channel];
        if (action.kind != ActionKind::CallChannel && target.kind != ChannelKind::Quantifier)
            Fail(*Find(item, "channel"), where,
                 name + " needs a quantifier, and channel " + Quoted(target.name) + " is a " +
                     ChannelKindName(target.kind) + " channel");
        const Json* value = Find(item, "value");
        const bool needsValue = found->value != ActionValue::None;
        if (needsValue && value == nullptr) Fail(item, where, name + " needs a \"value\"");
        if (!needsValue && value != nullptr)
            Fail(*value, where + ".value", name + " takes no value");
        if (found->value == ActionValue::Operation)
            action.number = ReadOperation(*value, where + ".value");
        if (found->value == ActionValue::Flag) action.flag = ReadBool(*value, where + ".value");
        scene.actions.push_back(action);
        scene.source.actions.push_back(
            {Document().PositionOf(frame), Document().PositionOf(value ? *value : what)});
    }
}

void SceneReader::ParseOutputs() {
    const Json* outputs = Find(root, "outputs");
    if (outputs == nullptr) {
        for (size_t i = 0; i < scene.channels.size(); ++i) {
            if (scene.channels[i].kind == ChannelKind::Quantifier) scene.outputs.push_back(i);
        }
        return;
    }
    RequireArray(*outputs, "outputs");
    for (size_t i = 0; i < outputs->size(); ++i)
        scene.outputs.push_back(ChannelIndex((*outputs)[i], "outputs[" + std::to_string(i) + "]"));
}

// The place of each channel's first key after the frames the scene states, for its warning.
void SceneReader::FindLateKeys() {
    const Json& channels = *Find(root, "channels");
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const std::optional<Timeline>& value = scene.channels[i].value;
        if (!value || value->keyFrames.empty()) continue;
        const std::vector<size_t>& frames = value->keyFrames;
        const auto late = std::lower_bound(frames.begin(), frames.end(), scene.frames);
        if (late == frames.end()) continue;
        // The keys are in the text's order, which is their frames' order.
        const auto members = Document().MembersInOrder(*Find(channels[i], "keys"));
        scene.source.channels[i].lateKey =
            Document().KeyPositionOf(*members[static_cast<size_t>(late - frames.begin())].second);
    }
}

// Without "frames", a scene runs until its last listed value or action, at least once.
void SceneReader::ParseFrameCount() {
    if (const Json* frames = Find(root, "frames")) {
        scene.frames = static_cast<size_t>(ReadInteger(*frames, "frames", 0, kMostFrames));
        scene.source.statedFrames = scene.frames;
        FindLateKeys();
        return;
    }
    size_t frames = 1;
    const auto extend = [&frames](const std::optional<Timeline>& timeline) {
        if (timeline && timeline->perFrame) frames = std::max(frames, timeline->Length());
    };
    for (const ChannelSpec& channel : scene.channels)
        extend(channel.value);
    extend(scene.timer);
    if (scene.camera) extend(scene.camera->view);
    for (const ActionSpec& action : scene.actions)
        frames = std::max(frames, action.frame + 1);
    scene.frames = frames;
}

}  // namespace quantifier_run
