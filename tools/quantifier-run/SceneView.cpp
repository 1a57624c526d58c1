#include "SceneView.h"

#include <algorithm>

#include "Formatting.h"
#include "GraphPicture.h"
#include "OperationList.h"
#include "OutputSpool.h"
#include "RunError.h"
#include "SceneGraph.h"
#include "Suggestions.h"

namespace quantifier_run {
namespace {

std::string Times(uint32_t count) {
    return std::to_string(count) + (count == 1 ? " time" : " times");
}

std::string Nullable(const std::string& jsonText) {
    return jsonText.empty() ? "null" : jsonText;
}

// Explains one channel and, through its slots, its quantifier children: a cycle is marked where
// it closes and a channel already explained is not explained again.
class Explainer {
public:
    Explainer(const Scene& scene, const Observation& observation, size_t depth, bool json)
        : scene(scene),
          seen(observation),
          depth(depth),
          json(json),
          onPath(scene.channels.size(), false),
          explained(scene.channels.size(), false) {}

    std::string Run(size_t channel) {
        if (json)
            return "{\"frame\": " + std::to_string(seen.frame) +
                   ", \"explain\": " + Node(channel, 0) + "}\n";
        return Node(channel, 0);
    }

private:
    std::string Value(size_t channel, OutputFormat format) const {
        const auto& value = seen.channels[channel].value;
        return value ? FormatCell(*value, format) : std::string();
    }

    std::string Node(size_t channel, size_t level) {
        const ChannelSpec& entry = scene.channels[channel];
        const ChannelObservation& at = seen.channels[channel];
        onPath[channel] = true;
        explained[channel] = true;
        const std::string pad(level * 4, ' ');
        const OperationInfo* row = at.operation ? FindOperation(*at.operation) : nullptr;
        const std::string operation =
            !at.operation ? ""
            : row         ? std::string(row->name)
                          : "operation " + std::to_string(*at.operation) + " (not in the table)";
        const bool quantifier = entry.kind == ChannelKind::Quantifier;
        // The reference's page of the operation, where the project and its package keep it.
        const std::string page =
            quantifier && row ? "docs/operations/" + ReferencePageName(*row) + ".md" : "";
        std::string out;
        if (json) {
            out += "{\"channel\": " + JsonString(entry.name) +
                   ", \"kind\": " + JsonString(ChannelKindName(entry.kind)) +
                   ", \"operation\": " + (quantifier ? JsonString(operation) : "null") +
                   ", \"page\": " + (page.empty() ? "null" : JsonString(page)) +
                   ", \"value\": " + Nullable(Value(channel, OutputFormat::Json));
            if (quantifier) {
                out += ", \"reads\": " + std::to_string(at.reads) +
                       ", \"computations\": " + std::to_string(at.evaluations) +
                       ", \"fromCache\": " +
                       std::to_string(at.reads - std::min(at.reads, at.evaluations)) +
                       ", \"lookupsObserved\": " + (at.lookupsObserved ? "true" : "false");
                if (row) {
                    out += ", \"state\": {\"kept\": " + JsonString(StateKeptName(row->keeps)) +
                           ", \"before\": " +
                           (at.before ? FormatCell(*at.before, OutputFormat::Json) : "null") +
                           ", \"after\": " + Nullable(Value(channel, OutputFormat::Json)) + "}";
                }
                out += ", \"slots\": [";
            }
        } else {
            out += pad + Quoted(entry.name) + " (" + ChannelKindName(entry.kind) +
                   (quantifier ? ", " + operation : "") + ")" +
                   (at.value ? " = " + Value(channel, OutputFormat::Table)
                             : " not read at frame " + std::to_string(seen.frame)) +
                   "\n";
            if (quantifier) {
                if (!page.empty()) out += pad + "  reference: " + page + "\n";
                out += pad + "  read " + Times(at.reads) + ", computed " + Times(at.evaluations);
                if (at.reads > at.evaluations && at.evaluations > 0)
                    out += ": " + std::to_string(at.reads - at.evaluations) +
                           " from this render's cache";
                out += "\n";
                if (row && row->keeps != StateKept::None)
                    out += pad + "  state kept: " + std::string(StateKeptName(row->keeps)) +
                           "; value before " +
                           (at.before ? FormatFloat(*at.before) : std::string("none")) +
                           ", after " + (at.value ? Value(channel, OutputFormat::Table) : "none") +
                           "\n";
                out += pad + (at.lookupsObserved ? "  lookups, in order:\n"
                                                 : "  not evaluated at this frame; its row "
                                                   "would look up:\n");
            }
        }
        if (quantifier) {
            bool first = true;
            for (const ObservedLookup& lookup : at.lookups) {
                out += Slot(lookup, at.operation, level, first);
                first = false;
            }
            if (json) {
                out += "]";
            } else if (at.value) {
                out += pad + "  result: " + Value(channel, OutputFormat::Table) + "\n";
            }
        }
        if (json) out += "}";
        onPath[channel] = false;
        return out;
    }

    std::string Slot(const ObservedLookup& lookup, const std::optional<int32_t>& operation,
                     size_t level, bool first) {
        const std::string pad(level * 4 + 4, ' ');
        std::string child, mark;
        if (lookup.found) {
            const size_t found = *lookup.found;
            if (scene.channels[found].kind == ChannelKind::Quantifier) {
                if (onPath[found]) {
                    mark = "cycle";
                } else if (explained[found]) {
                    mark = "repeat";
                } else if (level + 1 < depth) {
                    child = Node(found, level + 1);
                } else {
                    mark = "depth";
                }
            }
        }
        const std::string name = SlotName(operation, lookup);
        if (json) {
            std::string out =
                std::string(first ? "" : ", ") + "{\"slot\": " + JsonString(name) +
                ", \"kind\": " + JsonString(ChildKindName(lookup.kind)) +
                ", \"index\": " + std::to_string(lookup.index) + ", \"found\": " +
                (lookup.found ? JsonString(scene.channels[*lookup.found].name) : "null") +
                ", \"value\": " +
                (lookup.found ? Nullable(Value(*lookup.found, OutputFormat::Json)) : "null");
            out += ", \"mark\": " + (mark.empty() ? "null" : JsonString(mark));
            out += ", \"child\": " + (child.empty() ? "null" : child) + "}";
            return out;
        }
        std::string out = pad + name + ": ";
        if (!lookup.found) return out + "missing\n";
        const size_t found = *lookup.found;
        out += Quoted(scene.channels[found].name) + " (" +
               ChannelKindName(scene.channels[found].kind) + ")";
        out += seen.channels[found].value ? " = " + Value(found, OutputFormat::Table)
                                          : " not read at this frame";
        if (mark == "cycle") out += " (cycle: explained above, not again)";
        if (mark == "repeat") out += " (explained above)";
        if (mark == "depth") out += " (deeper than --depth)";
        out += "\n";
        return out + child;
    }

    const Scene& scene;
    const Observation& seen;
    size_t depth;
    bool json;
    std::vector<bool> onPath, explained;
};

}  // namespace

std::string Explain(const Scene& scene, const Observation& observation, size_t channel,
                    size_t depth, bool json) {
    return Explainer(scene, observation, depth, json).Run(channel);
}

SceneViewWriter::SceneViewWriter(ViewRequest request, Scene scene)
    : request(request), scene(std::move(scene)) {}

void SceneViewWriter::Observed(Observation seen) {
    observation = std::move(seen);
}

void SceneViewWriter::Finish(FrameProgress*) {
    if (!observation) throw RunError(kExitFailure, "internal error: the engine observed nothing");
    if (request.explain) {
        text = Explain(scene, *observation, *request.explain, request.depth,
                       request.format == OutputFormat::Json);
        return;
    }
    const SceneGraph graph = BuildSceneGraph(scene, *observation);
    text = request.format == OutputFormat::Dot ? GraphDot(graph) : GraphSvg(graph);
}

bool SceneViewWriter::WriteTo(std::ostream& out) {
    return WriteOut(out, text);
}

}  // namespace quantifier_run
