#include "scene/SceneChecks.h"

#include <algorithm>
#include <string>

#include "common/GraphCycles.h"
#include "common/Suggestions.h"
#include "scene/SceneKeys.h"

namespace quantifier_run {
namespace {

std::string Named(const ChannelSpec& channel) {
    return std::string(ChannelKindName(channel.kind)) + " " + Quoted(channel.name);
}

// "door" reads itself through "step" → "door": the cycle from `cycle[0]` round to it again, with
// the middle of a long one left out, so that a line stays a line.
std::string CyclePath(const Scene& scene, std::span<const size_t> cycle) {
    const auto name = [&](size_t node) { return Quoted(scene.channels[node].name); };
    const std::string self = name(cycle.front());
    if (cycle.size() == 1) return Named(scene.channels[cycle.front()]) + " reads itself";
    constexpr size_t kShownFirst = 3, kShownLast = 2;
    const size_t through = cycle.size() - 1;
    std::string path;
    for (size_t i = 1; i < cycle.size(); ++i) {
        if (through > kShownFirst + kShownLast + 1 && i == kShownFirst + 1) {
            path += "… (" + std::to_string(through - kShownFirst - kShownLast) + " more) → ";
            i = cycle.size() - kShownLast - 1;
            continue;
        }
        path += name(cycle[i]) + " → ";
    }
    return Named(scene.channels[cycle.front()]) + " reads itself through " + path + self;
}

// Every link of the scene, in the order the graph's picture walks them: by parent, its children
// in link order, then its internal children. The cycles found are then the links it draws as
// closing one. Links to or from a channel marked "feedback" are left out: a cycle through it is
// meant.
void CycleWarnings(const ParsedScene& scene, std::vector<PlacedMessage>& warnings) {
    std::vector<std::pair<size_t, size_t>> edges;
    std::vector<TextPosition> places;
    const auto meant = [&](size_t channel) { return scene.source.channels[channel].feedback; };
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const ChannelSpec& channel = scene.channels[i];
        const ChannelSource& source = scene.source.channels[i];
        const auto add = [&](const std::vector<size_t>& links,
                             const std::vector<TextPosition>& at) {
            for (size_t k = 0; k < links.size(); ++k) {
                if (meant(i) || meant(links[k])) continue;
                edges.emplace_back(i, links[k]);
                places.push_back(at[k]);
            }
        };
        add(channel.children, source.links);
        add(channel.internalChildren, source.internal);
    }
    ClosingEdges(scene.channels.size(), edges, [&](size_t edge, std::span<const size_t> cycle) {
        warnings.push_back(
            {places[edge], CyclePath(scene, cycle) +
                               ", so inside a render it reads the value it held before (if the "
                               "loop is meant, mark a quantifier on it \"feedback\": true)"});
    });
}

void UnusedWarnings(const ParsedScene& scene, std::vector<PlacedMessage>& warnings) {
    std::vector<bool> read(scene.channels.size(), false);
    for (size_t output : scene.outputs)
        read[output] = true;
    for (const ActionSpec& action : scene.actions)
        read[action.channel] = true;
    for (const Expectation& expected : scene.expectations)
        read[expected.channel] = true;
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const ChannelSpec& channel = scene.channels[i];
        for (const std::vector<size_t>* links : {&channel.children, &channel.internalChildren}) {
            for (size_t child : *links) {
                if (child != i) read[child] = true;
            }
        }
        // The engine finds a registered channel by its name, which no link shows.
        if (channel.registeredName) read[i] = true;
    }
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        if (!read[i])
            warnings.push_back({scene.source.channels[i].name,
                                Named(scene.channels[i]) +
                                    " is unused: no output, action or other channel reads it"});
    }
}

std::string ActionNamed(const Scene& scene, size_t index) {
    const ActionSpec& action = scene.actions[index];
    const char* name = "?";
    for (const ActionRow& row : Actions()) {
        if (row.kind == action.kind) name = row.name;
    }
    return "actions[" + std::to_string(index) + "]: " + name + " on " +
           Named(scene.channels[action.channel]) + " at frame " + std::to_string(action.frame);
}

// How many frames the per-frame values give: the longest list or the last key, 0 when there is
// none.
size_t PerFrameLength(const Scene& scene) {
    size_t length = 0;
    const auto extend = [&length](const std::optional<Timeline>& timeline) {
        if (timeline && timeline->perFrame) length = std::max(length, timeline->Length());
    };
    for (const ChannelSpec& channel : scene.channels)
        extend(channel.value);
    extend(scene.timer);
    if (scene.camera) extend(scene.camera->view);
    return length;
}

void ActionWarnings(const ParsedScene& scene, size_t frames, bool framesFromCommandLine,
                    std::vector<PlacedMessage>& warnings) {
    // Without "frames" the run lasts until the last action. An action past the per-frame values
    // is then more likely a slip (40 for 4) than a wish to run on; without per-frame values,
    // actions are what gives the run its length.
    const size_t inputs = PerFrameLength(scene);
    const bool lengthens = !framesFromCommandLine && !scene.source.statedFrames && inputs > 0;
    for (size_t a = 0; a < scene.actions.size(); ++a) {
        const ActionSpec& action = scene.actions[a];
        const TextPosition at = scene.source.actions[a].frame;
        if (action.frame >= frames) {
            warnings.push_back({at, ActionNamed(scene, a) + " comes after the last frame" +
                                        (frames == 0 ? " (the run has none)"
                                                     : " (" + std::to_string(frames - 1) + ")") +
                                        " and is not applied"});
        } else if (lengthens && action.frame >= inputs) {
            warnings.push_back(
                {at, ActionNamed(scene, a) + " makes the run " + std::to_string(frames) +
                         " frames long; without it the run would end at frame " +
                         std::to_string(inputs - 1) +
                         ", the last of its per-frame values (\"frames\" says how long it runs)"});
        }
    }
}

// A list that ends before the frames the scene states leaves its channel holding its last value,
// and one that runs past them is never read to the end: either is more likely a count gone wrong
// than a wish. Keys hold a value on purpose. Without "frames" the run is as long as the longest
// list, so a shorter one holds, as documented.
void ListWarnings(const ParsedScene& scene, bool framesFromCommandLine,
                  std::vector<PlacedMessage>& warnings) {
    if (framesFromCommandLine || !scene.source.statedFrames) return;
    const size_t frames = *scene.source.statedFrames;
    const auto check = [&](const std::optional<Timeline>& timeline,
                           const std::optional<TextPosition>& at, const std::string& where,
                           const char* holder) {
        if (!timeline || !timeline->perFrame || !at || !timeline->keyFrames.empty()) return;
        const size_t given = timeline->values.size();
        if (given == frames) return;
        const std::string said = where + ": the list gives " + std::to_string(given) +
                                 (given == 1 ? " value" : " values") + " for the " +
                                 std::to_string(frames) + (frames == 1 ? " frame" : " frames") +
                                 " the scene states";
        if (given > frames)
            warnings.push_back(
                {*at, said + "; the last " + std::to_string(given - frames) + " are never set"});
        else
            warnings.push_back({*at, said + "; from frame " + std::to_string(given) + " on " +
                                         holder + " keeps its last value"});
    };
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const std::optional<Timeline>& value = scene.channels[i].value;
        const std::string named = "channel " + Quoted(scene.channels[i].name);
        check(value, scene.source.channels[i].perFrame, named + ".frames", "the channel");
        // Keys hold to the end on purpose; one past the end is never reached.
        if (!value || value->keyFrames.empty()) continue;
        const std::vector<size_t>& keys = value->keyFrames;
        const auto past = std::lower_bound(keys.begin(), keys.end(), frames);
        if (past == keys.end()) continue;
        const auto first = static_cast<size_t>(past - keys.begin());
        const size_t more = keys.size() - first - 1;
        warnings.push_back({*scene.source.channels[i].lateKey,
                            named + ".keys: the key at frame " + std::to_string(*past) +
                                (more == 0 ? std::string(" comes")
                                           : " and " + std::to_string(more) +
                                                 (more == 1 ? " other" : " others") + " come") +
                                " after the last frame the scene states" +
                                (frames == 0 ? std::string(" (it states none)")
                                             : " (" + std::to_string(frames - 1) + ")")});
    }
    check(scene.timer, scene.source.timer, "timer", "the timer");
    if (scene.camera)
        check(scene.camera->view, scene.source.cameraFrames, "camera.frames", "the camera");
}

// An expectation the run does not reach is not checked, which a scene would rather hear of than
// pass by.
void ExpectationWarnings(const ParsedScene& scene, size_t frames,
                         std::vector<PlacedMessage>& warnings) {
    for (const Expectation& expected : scene.expectations) {
        if (expected.last < frames) continue;
        const size_t from = std::max(expected.first, frames);
        const std::string which =
            from == expected.last
                ? "frame " + std::to_string(from) + " comes"
                : "frames " + std::to_string(from) + ".." + std::to_string(expected.last) + " come";
        warnings.push_back(
            {expected.at, expected.where + ": " + which + " after the last frame" +
                              (frames == 0 ? std::string(" (the run has none)")
                                           : " (" + std::to_string(frames - 1) + ")") +
                              (from == expected.last ? " and is" : " and are") + " not checked"});
    }
}

}  // namespace

std::vector<PlacedMessage> MeaningWarnings(const ParsedScene& scene, size_t frames,
                                           bool framesFromCommandLine) {
    std::vector<PlacedMessage> warnings;
    CycleWarnings(scene, warnings);
    UnusedWarnings(scene, warnings);
    ActionWarnings(scene, frames, framesFromCommandLine, warnings);
    ListWarnings(scene, framesFromCommandLine, warnings);
    ExpectationWarnings(scene, frames, warnings);
    return warnings;
}

}  // namespace quantifier_run
