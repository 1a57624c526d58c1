#include "serve/Serve.h"

#include "engine/RunError.h"
#include "output/Formatting.h"
#include "serve/PageAnswers.h"
#include "serve/PageGraph.h"
#include "view/Explanation.h"
#include "view/SceneGraph.h"

namespace quantifier_run {
namespace {
// Enough for the slider's last few stops and an explanation or two beside them.
constexpr size_t kCachedFrames = 8;
// The charts of a scene without outputs hold every channel: past this, the page charts only the
// channel clicked.
constexpr size_t kMostChartBytes = 512 * 1024;
}  // namespace

void ServeState::Changed() {
    ++stamp;
    changed.notify_all();
}

void ServeState::RunStarted() {
    const std::lock_guard lock(mutex);
    running = true;
    frame = 0;
    total = 0;
    Changed();
}

// Called before every frame: it only notes the frame, and the page's stream looks at it a few
// times a second, so that a long run is not slowed by its watchers.
void ServeState::FrameReached(size_t reached, size_t frames) {
    const std::lock_guard lock(mutex);
    frame = reached;
    total = frames;
}

void ServeState::RunSucceeded(ServedRun served) {
    // Outside the lock: they are the size of the scene. Only the watch's thread writes the digest.
    auto graph = std::make_shared<const SceneGraph>(BuildSceneGraph(*served.scene, *served.last));
    std::string drawn = GraphDrawingJson(*graph);
    RunDigest now = DigestRun(*served.scene, *served.last);
    std::optional<std::string> compared;
    if (digest) compared = RunChangesJson(CompareRuns(*digest, now));
    const std::lock_guard lock(mutex);
    running = false;
    error.reset();
    ++generation;
    cache.clear();
    run = std::make_shared<const ServedRun>(std::move(served));
    lastGraph = std::move(graph);
    drawing = std::move(drawn);
    changes = std::move(compared);
    digest = std::move(now);
    Changed();
}

void ServeState::RunFailed(const std::string& message) {
    const std::lock_guard lock(mutex);
    running = false;
    error = message;
    Changed();
}

void ServeState::Stop() {
    const std::lock_guard lock(mutex);
    stopped = true;
    Changed();
}

bool ServeState::Stopped() const {
    const std::lock_guard lock(mutex);
    return stopped;
}

std::string ServeState::StatusLocked() const {
    std::string out = "{\"server\": " + std::to_string(server) +
                      ", \"generation\": " + std::to_string(generation) +
                      ", \"running\": " + (running ? "true" : "false") +
                      ", \"frame\": " + std::to_string(frame) +
                      ", \"total\": " + std::to_string(total);
    if (run)
        out += ", \"frames\": " + std::to_string(run->frames) +
               ", \"ms\": " + std::to_string(run->milliseconds);
    out += ", \"error\": " + (error ? JsonString(MessageLine(*error)) : "null") + "}";
    return out;
}

std::string ServeState::Status() const {
    const std::lock_guard lock(mutex);
    return StatusLocked();
}

std::string ServeState::View() const {
    const std::lock_guard lock(mutex);
    std::string out = "{\"status\": " + StatusLocked();
    if (run) {
        out += ", \"graph\": " + drawing + ",\n\"charts\": " +
               (run->chartSvg.size() <= kMostChartBytes ? JsonString(run->chartSvg) : "null") +
               ", \"warnings\": [";
        for (size_t i = 0; i < run->warnings.size(); ++i)
            out += (i ? ", " : "") + JsonString(MessageLine(run->warnings[i]));
        out += "], \"channels\": [";
        for (size_t i = 0; i < run->scene->channels.size(); ++i)
            out += (i ? ", " : "") + JsonString(DisplaySafe(run->scene->channels[i].name));
        out += "], \"chart\": " + ChartGeometryJson(run->chart) +
               ", \"changes\": " + changes.value_or("null");
    }
    return out + "}";
}

uint64_t ServeState::WaitForChange(uint64_t seen, std::chrono::milliseconds time) const {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, time, [&] { return stopped || stamp != seen; });
    return stamp;
}

std::shared_ptr<const Observation> ServeState::ObservationAt(size_t at,
                                                             std::shared_ptr<const Scene>& scene) {
    std::shared_ptr<const ServedRun> current;
    uint64_t of = 0;
    {
        const std::lock_guard lock(mutex);
        if (!run || at >= run->frames) return nullptr;
        current = run;
        of = generation;
        scene = run->scene;
        if (at + 1 == run->frames) return run->last;
        for (const Cached& cached : cache) {
            if (cached.generation == of && cached.frame == at) return cached.observation;
        }
    }
    // Outside the state's lock: a run to a late frame of a long scene takes a while, and the
    // status and the other pages go on meanwhile.
    const std::lock_guard one(observing);
    auto observation = std::make_shared<const Observation>(current->observe(at));
    const std::lock_guard lock(mutex);
    if (generation == of) {
        cache.push_front({of, at, observation, nullptr});
        if (cache.size() > kCachedFrames) cache.pop_back();
    }
    return observation;
}

std::shared_ptr<const SceneGraph> ServeState::GraphAt(size_t at,
                                                      std::shared_ptr<const ServedRun>& served) {
    std::shared_ptr<const Scene> scene;
    const std::shared_ptr<const Observation> observation = ObservationAt(at, scene);
    if (!observation) return nullptr;
    {
        const std::lock_guard lock(mutex);
        served = run && run->scene == scene ? run : nullptr;
        if (served && observation == run->last) return lastGraph;
        for (const Cached& cached : cache) {
            if (cached.observation == observation && cached.graph) return cached.graph;
        }
    }
    // The graph points into its observation's sparklines: it holds the observation.
    const auto graph =
        std::shared_ptr<const SceneGraph>(new SceneGraph(BuildSceneGraph(*scene, *observation)),
                                          [observation](const SceneGraph* built) { delete built; });
    const std::lock_guard lock(mutex);
    // Only the frame asked for last keeps its graph: the page pans at one frame at a time, and a
    // graph of a large scene is the size of several observations.
    for (Cached& cached : cache)
        cached.graph = cached.observation == observation ? graph : nullptr;
    return graph;
}

std::optional<std::string> ServeState::FrameValues(size_t at, const std::vector<size_t>& channels,
                                                   bool sparks) {
    std::shared_ptr<const ServedRun> served;
    const std::shared_ptr<const SceneGraph> graph = GraphAt(at, served);
    if (!graph) return std::nullopt;
    // The frames observed again carry no sparklines: those are the run's, kept with its last frame.
    return ChannelLinesJson(*graph, channels, sparks && served ? served->last.get() : nullptr);
}

std::optional<std::string> ServeState::Explanation(size_t channel, size_t at) {
    std::shared_ptr<const Scene> scene;
    const std::shared_ptr<const Observation> observation = ObservationAt(at, scene);
    if (!observation || channel >= scene->channels.size()) return std::nullopt;
    return ExplanationAnswer(Explain(*scene, *observation, channel, 3));
}

}  // namespace quantifier_run
