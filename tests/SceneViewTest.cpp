// The picture of a scene's graph, its Graphviz text and the explanation of a value, over the
// scenes in tests/scenes/: what each must show, the same in process and through the engine
// process, and every picture a document the usual tools accept.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/BuildPaths.h"
#include "support/RunnerFixture.h"

namespace fs = std::filesystem;

namespace {

struct Case {
    const char* scene;
    std::vector<std::string> arguments;
    std::vector<std::string> shows;
};

// What the engine's accounting and lookup reports must bring to each view.
const Case kCases[] = {
    // A quantifier read by its parent and as an output: read twice, computed once.
    {"quantifier-read-by-another-evaluates", {"--format", "dot"}, {"read 2 · computed 1"}},
    {"quantifier-read-by-another-evaluates",
     {"--explain", "outer"},
     {"\"outer\" (quantifier, Toggle) = 1\n  reference: docs/operations/18-Toggle.md\n",
      "trigger (float 0): \"inner\" (quantifier) = 1",
      "read 2 times, computed 1 time: 1 from this "
      "render's cache",
      "state kept: the toggle; value before 0, after 1"}},
    {"quantifier-read-by-another-evaluates",
     {"--explain", "outer", "--depth", "1"},
     {"(deeper than --depth)"}},
    {"quantifier-read-by-another-evaluates",
     {"--explain", "outer", "--format", "json", "--at", "0"},
     {"{\"frame\": 0, \"explain\": {\"channel\": \"outer\"", "\"before\": null",
      "\"page\": \"docs/operations/18-Toggle.md\""}},
    // A loaded stream's stored value is the state the first evaluation starts from.
    {"loaded-stored-value-is-where-the-counter-starts",
     {"--explain", "counter", "--at", "0", "--load",
      std::string(build_paths::kTestScenes) +
          "/loaded-stored-value-is-where-the-counter-starts.orn"},
     {"state kept: its own value; value before 4, after 5"}},
    // A focus draws its neighbourhood and marks each link it leaves out, at the end it keeps.
    {"quantifier-read-by-another-evaluates",
     {"--format", "dot", "--focus", "inner", "--depth", "0"},
     {"what it reads and what reads it, 0 links each way: 1 of 3 channels",
      "… 1 input not drawn\\n… 1 reader not drawn"}},
    {"quantifier-read-by-another-evaluates",
     {"--format", "graph", "--focus", "inner", "--depth", "0"},
     {"<title>on → inner: trigger (float 0) (not drawn)</title>",
      "<title>inner is read by 1 more, not drawn: outer</title>"}},
    // Warning marks with the warning as the tooltip, missing slots, unread links.
    {"links-that-do-not-fit-the-operation-are-warned-about",
     {"--format", "graph"},
     {"class=\"box quantifier warned\"", "<title>quantifier &quot;dot&quot;",
      "max · float 1</text><text", "missing</text>", "class=\"link unread\"",
      "class=\"link internal\""}},
    {"links-that-do-not-fit-the-operation-are-warned-about",
     {"--format", "dot"},
     {"n4 -> n0 [label=\"not read\", style=dashed", "missing: other, optional (matrix 1)",
      "color=red"}},
    {"links-that-do-not-fit-the-operation-are-warned-about",
     {"--explain", "wrap"},
     {"max (float 1): missing", "min (float 0): \"a\" (float) = 2"}},
    // A cycle is drawn as one and explained without running round it.
    {"cycle-reads-value-from-start-of-render", {"--format", "graph"}, {"link cycle", "↺ cycle"}},
    {"cycle-reads-value-from-start-of-render",
     {"--format", "dot"},
     {"n0 -> n0 [label=\"trigger (float 0) ↺ cycle\", color=\"#ff7f0e\""}},
    {"cycle-reads-value-from-start-of-render",
     {"--explain", "c"},
     {"(cycle: explained above, not again)"}},
};

TEST_F(RunnerTest, SceneViewsShowWhatTheEngineSaw) {
    const fs::path scenes = build_paths::kTestScenes;
    for (const Case& c : kCases) {
        std::string first;
        for (const bool elsewhere : {false, true}) {
            SCOPED_TRACE(std::string(c.scene) + " " + c.arguments.front() +
                         (elsewhere ? " in the engine process" : ""));
            std::vector<std::string> arguments = c.arguments;
            arguments.push_back((scenes / (std::string(c.scene) + ".json")).string());
            if (elsewhere)
                arguments.insert(
                    arguments.end(),
                    {"--engine-process", "\"" + std::string(build_paths::kEngine) + "\""});
            const RunResult result = Run(arguments);
            EXPECT_EQ(result.exitCode, 0) << result.err;
            for (const std::string& shown : c.shows)
                EXPECT_NE(result.out.find(shown), std::string::npos) << shown << "\n" << result.out;
            if (elsewhere) {
                EXPECT_EQ(result.out, first);
            }
            first = result.out;
        }
    }
}

// Every scene that runs gives a picture xmllint and the renderer accept, and text dot lays out.
TEST_F(RunnerTest, EveryScenesGraphIsAValidPictureAndGraphvizText) {
    if (std::system("xmllint --version >/dev/null 2>&1") != 0 ||
        std::system("dot -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint and dot (scripts/deps.sh) are needed";
    const fs::path scenes = build_paths::kTestScenes;
    for (const auto& entry : fs::directory_iterator(scenes)) {
        const fs::path& scene = entry.path();
        if (scene.extension() != ".json" ||
            !fs::exists(fs::path(scene).replace_extension(".csv")) ||
            fs::exists(fs::path(scene).replace_extension(".args")))
            continue;
        SCOPED_TRACE(scene.filename().string());
        const RunResult graph = Run({"--format", "graph", scene.string()});
        const RunResult dot = Run({"--format", "dot", scene.string()});
        if (graph.exitCode != 0) {
            // A run of no frames has no frame to show, and says so.
            EXPECT_NE(graph.err.find("no frame to show"), std::string::npos) << graph.err;
            continue;
        }
        const std::string svg = WriteFile("graph.svg", graph.out);
        const std::string gv = WriteFile("graph.gv", dot.out);
        EXPECT_EQ(std::system(("xmllint --noout \"" + svg + "\"").c_str()), 0);
        EXPECT_EQ(
            std::system(("rsvg-convert \"" + svg + "\" -o \"" + Path("g.png") + "\"").c_str()), 0);
        EXPECT_EQ(std::system(("dot -Tsvg \"" + gv + "\" -o \"" + Path("d.svg") + "\"").c_str()),
                  0);
    }
}

}  // namespace
