#include "ReferencePages.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <nlohmann/json.hpp>

#include "OperationTable.h"
#include "app/Runner.h"
#include "common/FilePath.h"
#include "scene/OperationList.h"

namespace quantifier_reference {
namespace {

namespace fs = std::filesystem;
using quantifier_run::FilePath;
using quantifier_run::PathText;

// How many frames of an example the page shows as a table; the csv beside it has them all.
constexpr size_t kTableFrames = 8;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + PathText(path));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
        throw std::runtime_error("cannot write " + PathText(path));
}

std::string BaseName(const OperationInfo& info) {
    const int number = static_cast<int>(info.id);
    return (number < 10 ? "0" : "") + std::to_string(number) + "-" + std::string(info.name);
}

struct ToolRun {
    int status;
    std::string out, err;
};

// The runner, in this process, as a user would call it.
ToolRun RunTool(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const int status = quantifier_run::RunQuantifierTool(arguments, out, err, false);
    return {status, out.str(), err.str()};
}

// The hand-written parts of a page: what the operation computes (before any heading), then
// sections by heading, e.g. "At the edges" and "The example".
struct Prose {
    std::string computes;
    std::map<std::string, std::string> sections;

    std::string Section(const std::string& heading, const std::string& where) const {
        const auto found = sections.find(heading);
        if (found == sections.end())
            throw std::runtime_error(where + " has no section \"## " + heading + "\"");
        return found->second;
    }
    std::string SectionOr(const std::string& heading, std::string fallback) const {
        const auto found = sections.find(heading);
        return found == sections.end() ? fallback : found->second;
    }
};

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of("\n ");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of("\n ") - first + 1);
}

Prose ReadProse(const fs::path& path) {
    std::istringstream in(ReadText(path));
    Prose prose;
    std::string* into = &prose.computes;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("## ")) {
            into = &prose.sections[line.substr(3)];
            continue;
        }
        *into += line + "\n";
    }
    prose.computes = Trimmed(prose.computes);
    for (auto& [heading, text] : prose.sections)
        text = Trimmed(text);
    if (prose.computes.empty()) throw std::runtime_error(PathText(path) + " says nothing");
    return prose;
}

// The fields of one csv line as the runner writes them: a text is a JSON string, quotes
// included (it holds no other quote), and no text at all an empty field.
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A table cell shows the value as the csv gives it, in code so that Markdown leaves it alone.
std::string Cell(const std::string& value) {
    std::string cell;
    for (const char c : value)
        cell += c == '|' ? std::string("\\|") : std::string(1, c);
    return "`" + (cell.empty() ? std::string("null") : cell) + "`";
}

std::string MarkdownTable(const std::string& csv, size_t rows) {
    const std::vector<std::string> lines = Lines(csv);
    std::string table;
    for (size_t i = 0; i < lines.size() && i <= rows; ++i) {
        const std::vector<std::string> fields = CsvFields(lines[i]);
        table += "|";
        for (const std::string& field : fields)
            table += " " + (i == 0 ? field : Cell(field)) + " |";
        table += "\n";
        if (i == 0) {
            table += "|";
            for (size_t k = 0; k < fields.size(); ++k)
                table += "---|";
            table += "\n";
        }
    }
    return table;
}

// The operation alone in a scene, with nothing linked: the value it gives then.
std::string ValueWithoutChildren(const OperationInfo& info, const fs::path& work) {
    const fs::path scene = work / "alone.json";
    WriteText(scene,
              "{\"frames\": 1, \"channels\": [{\"name\": \"q\", \"type\": \"quantifier\", "
              "\"operation\": " +
                  std::to_string(static_cast<int>(info.id)) + "}]}\n");
    const ToolRun run = RunTool({"--format", "csv", PathText(scene)});
    const std::vector<std::string> lines = Lines(run.out);
    if (run.status != 0 || lines.size() != 2)
        throw std::runtime_error(std::string(info.name) + " alone does not run: " + run.err);
    return CsvFields(lines[1]).at(1);
}

// What SetOperationType to the operation carries over, by the state it keeps.
std::string SwitchingTo(const OperationInfo& info) {
    switch (info.keeps) {
        case StateKept::None:
            return "Only the number changes: the next render computes afresh from the children.";
        case StateKept::Accumulator:
            return "Nothing is reset: the counter goes on from the channel's current value, "
                   "whatever the operation before left there.";
        case StateKept::Toggle:
        case StateKept::ToggleAndTrigger:
            return "Nothing is reset: the toggle is the one `Toggle` and `ToggleOnRise` share, "
                   "so it starts as the channel's toggle last stood.";
        case StateKept::LastDistance:
            return "Nothing is reset: the first change is measured against the last distance "
                   "measured, or against the trigger value `ToggleOnRise` left in the same "
                   "place; a channel that never measured gives 0 at its first render.";
        case StateKept::ChildStamp:
        case StateKept::CountAndStamps:
            return "Nothing is reset: the time stamps it remembers (shared by `ChildTimeStamp` "
                   "and `TextCount`) stay, so it may answer the channel's current value until "
                   "a child changes.";
        case StateKept::InvalidateCount:
            return "At the first render of this operation the channel registers with the "
                   "camera, once in its life; switching away does not unregister it.";
        case StateKept::RandomGenerator:
            return "Nothing of the channel carries over; the generator is seeded at every "
                   "render while this operation is selected.";
    }
    return {};
}

std::string ChildrenTable(const OperationInfo& info) {
    if (info.children.empty()) return "No children: it reads nothing linked to it.\n";
    std::string table =
        "Its children, in the order it looks them up:\n\n"
        "| role | kind | looked up as | |\n|---|---|---|---|\n";
    for (size_t i = 0; i < info.children.size(); ++i) {
        const ChildSlot& slot = info.children[i];
        const std::string kind(ChildKindName(slot.kind));
        std::string lookup = kind + " child " + std::to_string(quantifier_run::ChildIndex(info, i));
        if (slot.kind == ChildKind::Any) lookup = "the first child linked";
        if (slot.kind == ChildKind::Internal) lookup = "internal child 0";
        std::string use;
        if (slot.use == ChildUse::Optional) use = "may be left out";
        if (slot.use == ChildUse::Written) use = "written by the operation";
        table +=
            "| " + std::string(slot.role) + " | " + kind + " | " + lookup + " | " + use + " |\n";
    }
    return table;
}

std::string Page(const OperationInfo& info, const Prose& prose, const std::string& where,
                 const std::string& alone, const std::string& description, const std::string& csv) {
    const std::string base = BaseName(info);
    const int number = static_cast<int>(info.id);
    std::string page = "<!-- Generated by quantifier-reference from the operation table and " +
                       where + "; edit those, not this page. -->\n\n";
    page += "# " + std::to_string(number) + " `" + std::string(info.name) + "`\n\n";
    page += "Operation " + std::to_string(number) + ", family " +
            std::string(OperationFamilyName(info.family)) + " ([all operations](README.md)).\n\n";
    page += "**" + std::string(info.summary) + ".**\n\n";
    page += prose.computes + "\n\n";
    page += ChildrenTable(info) + "\n";
    page += "Result: " + std::string(ResultKindName(info.result)) + ".\n\n";
    page += "With no children linked it gives `" + alone +
            "` (the runner's answer for a channel of this operation alone in a scene).\n\n";
    page += "## State and the host's calls\n\n";
    page += "- Kept between renders: " + std::string(StateKeptName(info.keeps)) + ".\n";
    page +=
        "- `SetOperationType` to it: " + prose.SectionOr("SetOperationType", SwitchingTo(info)) +
        "\n";
    page += "- `CallChannel`: " +
            prose.SectionOr("CallChannel",
                            "evaluates the channel as a read does: at most once per render, so "
                            "a call in a render that was already evaluated changes nothing.") +
            "\n\n";
    page += "## At the edges\n\n" + prose.Section("At the edges", where) + "\n\n";
    page += "## Example\n\n";
    page += "[`" + base + ".json`](../../examples/operations/" + base + ".json): " + description +
            "\n\n";
    const size_t frames = Lines(csv).size() - 1;
    page += "The first " + std::to_string(std::min(kTableFrames, frames)) + " of its " +
            std::to_string(frames) + " frames (all of them: [" + base + ".csv](" + base +
            ".csv)):\n\n";
    page += MarkdownTable(csv, kTableFrames) + "\n";
    page += "![" + base + ".json as the runner charts it](" + base + ".svg)\n";
    return page;
}

std::string Index(const Prose& intro, const std::vector<std::string>& alone) {
    std::string page =
        "<!-- Generated by quantifier-reference from the operation table and "
        "tools/quantifier-reference/operations/README.md; edit those, not this page. -->\n\n"
        "# The operations\n\n" +
        intro.computes + "\n\n";
    for (const OperationFamily family :
         {OperationFamily::Vector, OperationFamily::Spatial, OperationFamily::Stateful,
          OperationFamily::Text, OperationFamily::Query}) {
        std::string name(OperationFamilyName(family));
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        page += "## " + name +
                "\n\n| no. | operation | what it gives | no children | state |\n"
                "|---|---|---|---|---|\n";
        for (const OperationInfo& info : kOperations) {
            if (info.family != family) continue;
            page += "| " + std::to_string(static_cast<int>(info.id)) + " | [`" +
                    std::string(info.name) + "`](" + BaseName(info) + ".md) | " +
                    std::string(info.summary) + " | `" + alone[static_cast<size_t>(info.id)] +
                    "` | " + (info.keeps == StateKept::None ? "" : "kept") + " |\n";
        }
        page += "\n";
    }
    for (const auto& [heading, text] : intro.sections)
        page += "## " + heading + "\n\n" + text + "\n\n";
    return page.substr(0, page.size() - 1);
}

// An example runs as a user runs it, from its own folder, and must run cleanly under --strict.
std::string RunExample(const std::string& scene, const std::string& format) {
    const ToolRun run = RunTool({"--strict", "--format", format, scene});
    if (run.status != 0 || !run.err.empty())
        throw std::runtime_error(scene + " does not run cleanly with --strict: " + run.err);
    return run.out;
}

}  // namespace

void WriteReference(const ReferenceSources& sources, const fs::path& out) {
    const fs::path work = fs::temp_directory_path() /
                          ("quantifier-reference-" + std::to_string(std::random_device{}()));
    fs::create_directories(work);
    struct RemoveWork {
        fs::path path;
        ~RemoveWork() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } removeWork{work};

    std::vector<std::string> alone;
    for (const OperationInfo& info : kOperations)
        alone.push_back(ValueWithoutChildren(info, work));

    // Examples name files relative to their own folder, where they run.
    const fs::path started = fs::current_path();
    fs::current_path(sources.examples);
    struct GoBack {
        fs::path path;
        ~GoBack() {
            std::error_code ignored;
            fs::current_path(path, ignored);
        }
    } goBack{started};

    for (const OperationInfo& info : kOperations) {
        const std::string base = BaseName(info);
        const std::string where = "tools/quantifier-reference/operations/" + base + ".md";
        const Prose prose = ReadProse(sources.prose / (base + ".md"));
        const std::string csv = RunExample(base + ".json", "csv");
        // What the example shows is said once, in the scene, where its author changes it.
        const auto scene = nlohmann::json::parse(ReadText(base + ".json"));
        const std::string description = scene.value("description", std::string());
        if (description.empty()) throw std::runtime_error(base + ".json has no description");
        WriteText(out / (base + ".csv"), csv);
        WriteText(out / (base + ".svg"), RunExample(base + ".json", "svg"));
        WriteText(out / (base + ".md"),
                  Page(info, prose, where, alone[static_cast<size_t>(info.id)], description, csv));
    }
    WriteText(out / "README.md", Index(ReadProse(sources.prose / "README.md"), alone));
}

}  // namespace quantifier_reference
