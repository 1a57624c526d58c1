#include "output/Progress.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace quantifier_run {
namespace {
// A run shorter than this shows nothing at all.
constexpr auto kDelay = std::chrono::seconds(1);
constexpr auto kInterval = std::chrono::milliseconds(200);
}  // namespace

FrameProgress::FrameProgress(std::ostream& err, bool enabled, size_t frames,
                             std::function<Clock::time_point()> now, size_t columns)
    : err(err),
      enabled(enabled && frames > 0),
      frames(frames),
      now(std::move(now)),
      columns(columns),
      start(this->enabled ? this->now() : Clock::time_point()) {}

FrameProgress::~FrameProgress() {
    if (shownWidth == 0) return;
    // Spaces rather than a terminal control sequence: every console understands them.
    err << '\r' << std::string(shownWidth, ' ') << '\r' << std::flush;
}

void FrameProgress::Frame(size_t frame, const char* stage) {
    if (!enabled) return;
    const Clock::time_point time = now();
    if (time - start < kDelay || (shownWidth > 0 && time - shown < kInterval)) return;
    shown = time;
    const std::string doing = stage ? std::string(stage) + " " : "";
    const std::string percent = "(" + std::to_string(frame * 100 / frames) + "%)";
    const std::string counts = std::to_string(frame) + " of " + std::to_string(frames);
    std::string line = "quantifier-run: " + doing + "frame " + counts + " " + percent;
    // The last column stays free: a character written there makes some terminals wrap.
    if (columns > 0) {
        const size_t room = columns - 1;
        for (const std::string& shorter :
             {doing + "frame " + counts + " " + percent, doing + percent, percent}) {
            if (line.size() <= room) break;
            line = shorter;
        }
        line.resize(std::min(line.size(), room));
        if (line.empty()) return;
    }
    // A shorter line than the last must cover all of it.
    const size_t width = line.size();
    if (width < shownWidth) line.append(shownWidth - width, ' ');
    err << '\r' << line << std::flush;
    shownWidth = std::max(shownWidth, width);
}

bool ProgressWanted(bool errorIsTerminal) {
    return errorIsTerminal && std::getenv("CI") == nullptr;
}

}  // namespace quantifier_run
