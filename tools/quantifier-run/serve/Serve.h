// The live page of a scene (--serve): what a good run leaves for the page, the state the watch
// and the server share, and the server itself.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/Observation.h"
#include "engine/Scene.h"
#include "output/SvgChart.h"
#include "serve/RunChanges.h"
#include "view/SceneGraph.h"

namespace quantifier_run {

// One good run as the page shows it. Only pictures bounded by their width and what the scene
// holds are kept; values at any other frame are found again by `observe` when asked for.
struct ServedRun {
    std::string chartSvg;  // as --format svg writes it
    ChartGeometry chart;   // where its plots lie
    std::vector<std::string> warnings;
    size_t frames = 0;
    long long milliseconds = 0;
    std::shared_ptr<const Scene> scene;
    std::shared_ptr<const Observation> last;  // the observation at the last frame
    // Runs the same inputs again up to `frame` and gives what the engine observed there.
    // Throws RunError when the run fails.
    std::function<Observation(size_t frame)> observe;
};

// What the watch and the server's threads share. Every answer is a JSON document whose texts
// from the scene are escaped there; pictures are the runner's own SVG.
class ServeState {
public:
    void RunStarted();
    void FrameReached(size_t frame, size_t frames);
    void RunSucceeded(ServedRun run);
    void RunFailed(const std::string& error);
    // Ends every wait, for good.
    void Stop();
    bool Stopped() const;

    // The last good run: the graph as the page draws it (GraphDrawingJson), the charts, warnings,
    // channel names, where the charts' plots lie, what changed since the good run before
    // (RunChangesJson; null for the first) and the status.
    std::string View() const;
    // How the runs go: {"server", "generation", "running", "frame", "total", "frames", "ms",
    // "error"}.
    std::string Status() const;
    // The lines of the picture that change with the frame, of `channels` at `frame` of the last
    // good run, their sparklines too when `sparks` is set (ChannelLinesJson); absent when there
    // is no such frame.
    std::optional<std::string> FrameValues(size_t frame, const std::vector<size_t>& channels,
                                           bool sparks = false);
    // The explanation of channel `channel` (by scene index) at `frame`, as --explain --format
    // json writes it and as the page shows it (ExplanationAnswer); absent when there is no such
    // channel or frame.
    std::optional<std::string> Explanation(size_t channel, size_t frame);
    // Waits until the status differs from the one stamped `seen`, or `time` passes, or Stop.
    // Returns the status's stamp now.
    uint64_t WaitForChange(uint64_t seen, std::chrono::milliseconds time) const;

private:
    std::shared_ptr<const Observation> ObservationAt(size_t frame,
                                                     std::shared_ptr<const Scene>& scene);
    // The graph at `frame` of the last good run, kept beside its observation: the page asks for the
    // channels in view at one frame again as it pans. `served` is the run it belongs to, or null
    // when a newer run came meanwhile.
    std::shared_ptr<const SceneGraph> GraphAt(size_t frame,
                                              std::shared_ptr<const ServedRun>& served);
    std::string StatusLocked() const;
    void Changed();

    // Tells a page that reconnects whether it reconnected to the same server.
    const long long server = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    uint64_t stamp = 0;
    bool stopped = false;
    bool running = false;
    size_t frame = 0, total = 0;
    std::optional<std::string> error;
    uint64_t generation = 0;  // good runs so far
    std::shared_ptr<const ServedRun> run;
    std::shared_ptr<const SceneGraph> lastGraph;  // of run, at its last frame
    std::string drawing;                          // of run, GraphDrawingJson
    std::optional<std::string> changes;           // of run from the good run before, RunChangesJson
    std::optional<RunDigest> digest;              // of run, to compare the next with
    // The observations of the frames asked for last, of this generation; a few, so that moving
    // the slider back and forth does not run the scene again.
    struct Cached {
        uint64_t generation;
        size_t frame;
        std::shared_ptr<const Observation> observation;
        std::shared_ptr<const SceneGraph> graph;  // once asked for
    };
    std::deque<Cached> cache;
    std::mutex observing;  // one run at a time for the frames asked for
};

// Serves the page of `state` on 127.0.0.1:`port` (0: any free port) while `watch` runs on the
// calling thread, printing the URL on `err` first. Returns what `watch` returns; throws
// RunError when the port cannot be had.
int ServePage(ServeState& state, uint16_t port, std::ostream& err,
              const std::function<int()>& watch);

}  // namespace quantifier_run
