// Arbitrary text as a runner scene. Every input ends in a scene or in one error: a RunError for
// bad input whose message is one line naming the file. A scene is then built with the plug-in
// (loaded once, as the runner loads it), run for a few frames and written in every output
// format, so that whatever the reader lets through is also safe to run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "engine/FrameLoop.h"
#include "engine/LiveScene.h"
#include "engine/Plugin.h"
#include "engine/RunError.h"
#include "output/OutputFormats.h"
#include "scene/SceneParser.h"

namespace {
using namespace quantifier_run;

const std::string kLabel = "fuzz.json";

// A scene may ask for two billion frames; a few show the same ways through the code.
constexpr size_t kMostFrames = 3;

[[noreturn]] void Fail(const char* what, const std::string& message) {
    std::fprintf(stderr, "scene parser fuzz: %s: [%s]\n", what, message.c_str());
    std::abort();
}

const QuantifierPlugin& Plugin() {
    static const QuantifierPlugin plugin(DefaultPluginPath());
    return plugin;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<Scene> scene;
    try {
        scene = ParseScene(text, kLabel);
    } catch (const RunError& error) {
        const std::string message = error.what();
        if (error.ExitCode() != kExitBadInput)
            Fail("a bad scene is not reported as bad input", message);
        if (message.rfind(kLabel + ":", 0) != 0)
            Fail("the message does not name the file", message);
        if (message.size() == kLabel.size() + 1) Fail("the message says nothing", message);
        if (message.find_first_of("\n\r") != std::string::npos)
            Fail("the message is not one line", message);
        return 0;
    }

    LiveScene live(*scene, Plugin());
    const Results results = RunFrames(*scene, live, std::min(scene->frames, kMostFrames));
    for (OutputFormat format : {OutputFormat::Csv, OutputFormat::Table, OutputFormat::Json})
        FormatResults(results, format);
    return 0;
}
