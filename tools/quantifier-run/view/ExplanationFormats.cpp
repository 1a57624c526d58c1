// The explanation as --explain writes it: text for a person, JSON for a program.
#include <algorithm>

#include "engine/Quoting.h"
#include "output/Formatting.h"
#include "output/OutputFormats.h"
#include "view/Explanation.h"

namespace quantifier_run {
namespace {

std::string Times(uint32_t count) {
    return std::to_string(count) + (count == 1 ? " time" : " times");
}

std::string Shown(const std::optional<Cell>& value, OutputFormat format) {
    return value ? FormatCell(*value, format) : std::string("null");
}

std::string TextSlot(const Explanation& explanation, const ExplainedSlot& slot, size_t level);

std::string TextChannel(const Explanation& explanation, size_t channel, size_t level) {
    const ExplainedChannel& node = explanation.channels[channel];
    const std::string pad(level * 4, ' ');
    const std::optional<ExplainedEvaluation>& evaluation = node.quantifier;
    const std::string value = Shown(node.value, OutputFormat::Table);
    std::string out =
        pad + Quoted(node.name) + " (" + ChannelKindName(node.kind) +
        (evaluation ? ", " + evaluation->operation : "") + ")" +
        (node.value ? " = " + value : " not read at frame " + std::to_string(explanation.frame)) +
        "\n";
    if (!evaluation) return out;
    if (!evaluation->page.empty()) out += pad + "  reference: " + evaluation->page + "\n";
    out +=
        pad + "  read " + Times(evaluation->reads) + ", computed " + Times(evaluation->evaluations);
    if (evaluation->reads > evaluation->evaluations && evaluation->evaluations > 0)
        out += ": " + std::to_string(evaluation->reads - evaluation->evaluations) +
               " from this render's cache";
    out += "\n";
    if (evaluation->kept && *evaluation->kept != StateKept::None)
        out += pad + "  state kept: " + std::string(StateKeptName(*evaluation->kept)) +
               "; value before " +
               (evaluation->before ? FormatFloat(*evaluation->before) : std::string("none")) +
               ", after " + (node.value ? value : "none") + "\n";
    out += pad + (evaluation->lookupsObserved ? "  lookups, in order:\n"
                                              : "  not evaluated at this frame; its row "
                                                "would look up:\n");
    for (const ExplainedSlot& slot : evaluation->slots)
        out += TextSlot(explanation, slot, level);
    if (node.value) out += pad + "  result: " + value + "\n";
    return out;
}

std::string TextSlot(const Explanation& explanation, const ExplainedSlot& slot, size_t level) {
    std::string out = std::string(level * 4 + 4, ' ') + slot.name + ": ";
    if (!slot.found) return out + "missing\n";
    out += Quoted(slot.found->name) + " (" + ChannelKindName(slot.found->kind) + ")";
    out += slot.found->value ? " = " + FormatCell(*slot.found->value, OutputFormat::Table)
                             : " not read at this frame";
    switch (slot.mark) {
        case SlotMark::None:
            break;
        case SlotMark::Cycle:
            out += " (cycle: explained above, not again)";
            break;
        case SlotMark::Repeat:
            out += " (explained above)";
            break;
        case SlotMark::Depth:
            out += " (deeper than --depth)";
            break;
    }
    out += "\n";
    return slot.child ? out + TextChannel(explanation, *slot.child, level + 1) : out;
}

std::string JsonSlot(const Explanation& explanation, const ExplainedSlot& slot) {
    return "{\"slot\": " + JsonString(slot.name) +
           ", \"kind\": " + JsonString(ChildKindName(slot.kind)) +
           ", \"index\": " + std::to_string(slot.index) +
           ", \"found\": " + (slot.found ? JsonString(slot.found->name) : "null") +
           ", \"value\": " + (slot.found ? Shown(slot.found->value, OutputFormat::Json) : "null") +
           ", \"mark\": " +
           (slot.mark == SlotMark::None ? "null" : JsonString(SlotMarkName(slot.mark))) +
           ", \"child\": " +
           (slot.child ? ExplainedChannelJson(explanation, *slot.child) : "null") + "}";
}

}  // namespace

std::string ExplanationText(const Explanation& explanation) {
    return TextChannel(explanation, 0, 0);
}

std::string ExplainedChannelJson(const Explanation& explanation, size_t channel) {
    const ExplainedChannel& node = explanation.channels[channel];
    const std::optional<ExplainedEvaluation>& evaluation = node.quantifier;
    const std::string value = Shown(node.value, OutputFormat::Json);
    std::string out =
        "{\"channel\": " + JsonString(node.name) +
        ", \"kind\": " + JsonString(ChannelKindName(node.kind)) +
        ", \"operation\": " + (evaluation ? JsonString(evaluation->operation) : "null") +
        ", \"page\": " +
        (evaluation && !evaluation->page.empty() ? JsonString(evaluation->page) : "null") +
        ", \"value\": " + value;
    if (!evaluation) return out + "}";
    out +=
        ", \"reads\": " + std::to_string(evaluation->reads) +
        ", \"computations\": " + std::to_string(evaluation->evaluations) + ", \"fromCache\": " +
        std::to_string(evaluation->reads - std::min(evaluation->reads, evaluation->evaluations)) +
        ", \"lookupsObserved\": " + (evaluation->lookupsObserved ? "true" : "false");
    if (evaluation->kept) {
        out += ", \"state\": {\"kept\": " + JsonString(StateKeptName(*evaluation->kept)) +
               ", \"before\": " +
               (evaluation->before ? FormatCell(*evaluation->before, OutputFormat::Json) : "null") +
               ", \"after\": " + value + "}";
    }
    out += ", \"slots\": [";
    for (size_t s = 0; s < evaluation->slots.size(); ++s)
        out += (s ? ", " : "") + JsonSlot(explanation, evaluation->slots[s]);
    return out + "]}";
}

std::string ExplanationJson(const Explanation& explanation) {
    return "{\"frame\": " + std::to_string(explanation.frame) +
           ", \"explain\": " + ExplainedChannelJson(explanation) + "}\n";
}

}  // namespace quantifier_run
