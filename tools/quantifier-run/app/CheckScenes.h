// --check: every scene under some paths run as a test in this process, each with a fresh engine
// as a run of its own would have, with a line per scene, a summary and, for a failure, its first
// difference explained.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace quantifier_run {

// How one scene fared.
struct SceneVerdict {
    std::string path;
    bool passed = false;
    std::vector<std::string> details;  // why it failed, a line each
    double seconds = 0.0;
};

// The scenes under `paths`: a file as it is, a folder's *.json searched through (hidden files
// and folders left out, and JSON files that are not scenes: IsSceneFile), each list sorted. Throws
// RunError (bad input) for a path that is not there.
std::vector<std::string> ScenesUnder(const std::vector<std::string>& paths);

// One scene as a test, run as `options` say (its plug-in, its engine process).
SceneVerdict CheckScene(const Options& options, const std::string& path);

// The whole of --check; gives the exit status.
int CheckScenes(const Options& options, std::ostream& out, std::ostream& err, bool errIsTerminal);

// The verdicts as JUnit XML.
std::string JunitXml(const std::vector<SceneVerdict>& verdicts, double seconds);

}  // namespace quantifier_run
