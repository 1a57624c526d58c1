#include "serve/PageAnswers.h"

#include <algorithm>

#include "output/Formatting.h"
#include "output/OutputFormats.h"
#include "output/SvgMarkup.h"

namespace quantifier_run {
namespace {

std::string Text(const std::string& text, const char* className = nullptr) {
    return "{\"text\": " + JsonString(text) +
           (className ? ", \"class\": " + JsonString(className) : "") + "}";
}

// A value the page writes as JSON itself, the way a script writes a number or a text.
std::string Json(const std::string& json, const char* className = nullptr) {
    return "{\"json\": " + json + (className ? ", \"class\": " + JsonString(className) : "") + "}";
}

// A link to the operation's page in the reference the server carries under /reference/.
std::string ReferenceLink(const ExplainedEvaluation& evaluation) {
    const std::string name = evaluation.page.substr(evaluation.page.rfind('/') + 1);
    return "{\"text\": " + JsonString("about " + evaluation.operation) +
           ", \"class\": \"reference\", \"href\": " + JsonString("/reference/?page=" + name) + "}";
}

std::string JsonValue(const std::optional<Cell>& value) {
    return value ? FormatCell(*value, OutputFormat::Json) : "null";
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? ", " : "") + parts[i];
    return out;
}

std::string Item(const std::vector<std::vector<std::string>>& lines,
                 const std::vector<std::string>& items) {
    std::vector<std::string> shown;
    for (const std::vector<std::string>& line : lines)
        shown.push_back("[" + Joined(line) + "]");
    return "{\"lines\": [" + Joined(shown) + "], \"items\": [" + Joined(items) + "]}";
}

std::string ChannelItem(const Explanation& explanation, size_t channel);

std::string SlotItem(const Explanation& explanation, const ExplainedSlot& slot) {
    std::vector<std::string> line;
    if (slot.found) {
        line = {Text(slot.name + ": \"" + slot.found->name + "\" = "),
                Json(JsonValue(slot.found->value))};
    } else {
        line = {Text(slot.name + ": missing")};
    }
    if (slot.mark != SlotMark::None)
        line.push_back(Text(" (" + std::string(SlotMarkName(slot.mark)) + ")", "mark"));
    std::vector<std::string> child;
    if (slot.child) child.push_back(ChannelItem(explanation, *slot.child));
    return Item({line}, child);
}

std::string ChannelItem(const Explanation& explanation, size_t channel) {
    const ExplainedChannel& node = explanation.channels[channel];
    const std::optional<ExplainedEvaluation>& evaluation = node.quantifier;
    std::string head = "\"" + node.name + "\" (" + ChannelKindName(node.kind) +
                       (evaluation && !evaluation->operation.empty() ? ", " + evaluation->operation
                                                                     : std::string()) +
                       ")";
    std::vector<std::vector<std::string>> lines;
    if (node.value)
        lines.push_back({Text(head + " = ", "node"), Json(JsonValue(node.value), "node")});
    else
        lines.push_back({Text(head + " not read at this frame", "node")});
    if (!evaluation) return Item(lines, {});
    if (!evaluation->page.empty()) lines.front().push_back(ReferenceLink(*evaluation));
    const uint32_t fromCache =
        evaluation->reads - std::min(evaluation->reads, evaluation->evaluations);
    lines.push_back(
        {Text("read " + std::to_string(evaluation->reads) + ", computed " +
              std::to_string(evaluation->evaluations) +
              (fromCache ? ", " + std::to_string(fromCache) + " from this render's cache"
                         : std::string()))});
    if (evaluation->kept && *evaluation->kept != StateKept::None) {
        lines.push_back(
            {Text("state kept: " + std::string(StateKeptName(*evaluation->kept)) + "; before "),
             Json(evaluation->before ? FormatCell(*evaluation->before, OutputFormat::Json)
                                     : "null"),
             Text(", after "), Json(JsonValue(node.value))});
    }
    lines.push_back({Text(evaluation->lookupsObserved
                              ? "lookups, in order:"
                              : "not evaluated at this frame; its row would look up:")});
    std::vector<std::string> slots;
    for (const ExplainedSlot& slot : evaluation->slots)
        slots.push_back(SlotItem(explanation, slot));
    // Last, as --explain ends a quantifier: what it gave.
    if (node.value)
        slots.push_back(
            Item({{Text("result: ", "result"), Json(JsonValue(node.value), "result")}}, {}));
    return Item(lines, slots);
}

}  // namespace

std::string ChartGeometryJson(const ChartGeometry& geometry) {
    return "{\"width\": " + Number(geometry.width) + ", \"height\": " + Number(geometry.height) +
           ", \"plotLeft\": " + Number(geometry.plotLeft) +
           ", \"plotWidth\": " + Number(geometry.plotWidth) + "}";
}

std::string ExplanationAnswer(const Explanation& explanation) {
    return "{\"frame\": " + std::to_string(explanation.frame) +
           ", \"explain\": " + ExplainedChannelJson(explanation) + ", \"page\": {\"heading\": " +
           JsonString("At frame " + std::to_string(explanation.frame) + ":") +
           ", \"tree\": " + ChannelItem(explanation, 0) + "}}\n";
}

}  // namespace quantifier_run
