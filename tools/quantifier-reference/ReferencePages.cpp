#include "ReferencePages.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "OperationTable.h"
#include "ReferenceCases.h"
#include "common/FilePath.h"
#include "engine/LinkCheck.h"
#include "engine/Scene.h"
#include "scene/OperationList.h"

namespace quantifier_reference {
namespace {

namespace fs = std::filesystem;
using quantifier_run::FilePath;
using quantifier_run::PathText;

// A run this short is shown whole; of a longer one, the page shows at most kTableRows frames,
// those around the changes of the result, and the csv beside it has them all.
constexpr size_t kShortRun = 12;
constexpr size_t kTableRows = 14;

// The examples' files whose last-write times matter, relative to the examples' folder.
constexpr const char* kFileTimes = "files/times.json";

std::string BaseName(const OperationInfo& info) {
    return quantifier_run::ReferencePageName(info);
}

// The hand-written parts of a page: what the operation computes (before any heading), then
// sections by heading, e.g. "At the edges", in the order written.
struct Prose {
    std::string computes;
    std::vector<std::pair<std::string, std::string>> sections;

    const std::string* Find(const std::string& heading) const {
        for (const auto& [name, text] : sections) {
            if (name == heading) return &text;
        }
        return nullptr;
    }
    bool Has(const std::string& heading) const { return Find(heading) != nullptr; }
    std::string Section(const std::string& heading, const std::string& where) const {
        const std::string* text = Find(heading);
        if (text == nullptr)
            throw std::runtime_error(where + " has no section \"## " + heading + "\"");
        return *text;
    }
    std::string SectionOr(const std::string& heading, std::string fallback) const {
        const std::string* text = Find(heading);
        return text == nullptr ? fallback : *text;
    }
};

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of("\n ");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of("\n ") - first + 1);
}

Prose ReadProse(const fs::path& path, const std::set<std::string>& headings) {
    std::istringstream in(ReadText(path));
    Prose prose;
    std::string* into = &prose.computes;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("## ")) {
            const std::string heading = line.substr(3);
            if (!headings.empty() && !headings.contains(heading))
                throw std::runtime_error(PathText(path) + " has a section \"## " + heading +
                                         "\" that no page has");
            if (prose.Has(heading))
                throw std::runtime_error(PathText(path) + " has two sections \"## " + heading +
                                         "\"");
            into = &prose.sections.emplace_back(heading, std::string()).second;
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

const std::set<std::string> kPageSections = {"At the edges", "Common mistakes",  "See also",
                                             "Scene",        "SetOperationType", "CallChannel"};

// Turns hand-written text into page text: each block of cases becomes the table of its runs,
// each operation named in code links to its page, and each source file named in code must
// exist, so that a page cannot point at code that moved.
class Renderer {
public:
    Renderer(fs::path root, fs::path work) : root(std::move(root)), work(std::move(work)) {}

    std::string Render(const std::string& text, const OperationInfo* page,
                       const std::string& where) const {
        std::string out, block, blockOperation;
        bool inCases = false, inOther = false;
        for (const std::string& line : Lines(text)) {
            if (inCases) {
                if (line.starts_with("```")) {
                    out += Cases(block, blockOperation, page, where);
                    inCases = false;
                } else {
                    block += line + "\n";
                }
                continue;
            }
            if (line.starts_with("```")) {
                if (!inOther && line.starts_with("```cases")) {
                    inCases = true;
                    block.clear();
                    blockOperation = Trimmed(line.substr(8));
                    continue;
                }
                inOther = !inOther;
            }
            out += (inOther || line.starts_with("```") ? line : Linked(line, page, where)) + "\n";
        }
        if (inCases || inOther) throw std::runtime_error(where + ": a ``` block is not closed");
        return Trimmed(out);
    }

private:
    std::string Cases(const std::string& block, const std::string& name, const OperationInfo* page,
                      const std::string& where) const {
        const OperationInfo* info = page;
        if (!name.empty()) {
            const auto id = FindOperationByName(name);
            if (!id) throw std::runtime_error(where + ": no operation " + name + " for cases");
            info = FindOperation(static_cast<int>(*id));
        }
        if (info == nullptr) throw std::runtime_error(where + ": cases need an operation");
        std::string caption;
        if (info != page)
            caption =
                "Run with " + Linked("`" + std::string(info->name) + "`", page, where) + ":\n\n";
        return caption + CasesTable(*info, block, work, where);
    }

    // The line with every operation named in code linked to its page, and every source file
    // named in code checked.
    std::string Linked(const std::string& line, const OperationInfo* page,
                       const std::string& where) const {
        std::string out;
        size_t at = 0;
        while (true) {
            const size_t open = line.find('`', at);
            const size_t close = open == std::string::npos ? open : line.find('`', open + 1);
            if (close == std::string::npos) break;
            const std::string code = line.substr(open + 1, close - open - 1);
            out += line.substr(at, open - at);
            const auto id = FindOperationByName(code);
            const bool linked = open > 0 && line[open - 1] == '[';
            if (id && !linked && (page == nullptr || page->id != *id)) {
                out +=
                    "[`" + code + "`](" + BaseName(*FindOperation(static_cast<int>(*id))) + ".md)";
            } else {
                CheckSourceFile(code, where);
                out += line.substr(open, close - open + 1);
            }
            at = close + 1;
        }
        return out + line.substr(at);
    }

    void CheckSourceFile(const std::string& code, const std::string& where) const {
        static constexpr const char* kSourceFiles[] = {".cpp", ".h", ".def", ".cmake"};
        if (code.find('/') == std::string::npos || code.find(' ') != std::string::npos) return;
        if (std::none_of(std::begin(kSourceFiles), std::end(kSourceFiles),
                         [&](const char* end) { return code.ends_with(end); }))
            return;
        if (!fs::exists(root / FilePath(code)))
            throw std::runtime_error(where + " names " + code + ", which is not in the source");
    }

    fs::path root, work;
};

// The numbers a text states: a run of digits with its sign, fraction, exponent or power ("2^31"),
// or a hexadecimal "0x..". A number that is part of a word ("UTF-8", "32-bit") is none.
std::set<std::string> Numbers(const std::string& text) {
    std::set<std::string> numbers;
    const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    for (size_t i = 0; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) continue;
        if (i > 0 && (word(text[i - 1]) || text[i - 1] == '.' || text[i - 1] == '^')) continue;
        if (i > 1 && text[i - 1] == '-' && word(text[i - 2])) continue;
        size_t end = i;
        if (text.compare(i, 2, "0x") == 0) {
            end += 2;
            while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])))
                ++end;
        } else {
            const auto digits = [&] {
                while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
                    ++end;
            };
            digits();
            if (end + 1 < text.size() && (text[end] == '.' || text[end] == '^') &&
                std::isdigit(static_cast<unsigned char>(text[end + 1]))) {
                ++end;
                digits();
            }
        }
        if (end < text.size() && (word(text[end]) || text.compare(end, 4, "-bit") == 0 ||
                                  text.compare(end, 5, "-byte") == 0)) {
            i = end;
            continue;
        }
        const bool negative = i > 0 && text[i - 1] == '-';
        numbers.insert((negative ? "-" : "") + text.substr(i, end - i));
        i = end;
    }
    return numbers;
}

// Hand-written text without what it quotes: code blocks, code in backticks (literals from the
// code or a scene, each named where it is decided) and link targets.
std::string Stated(const std::string& text) {
    std::string stated;
    bool fenced = false;
    for (const std::string& line : Lines(text)) {
        if (line.starts_with("```")) {
            fenced = !fenced;
            continue;
        }
        if (fenced) continue;
        bool code = false;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '`') {
                code = !code;
            } else if (!code && line.compare(i, 2, "](") == 0) {
                i = line.find(')', i);
                if (i == std::string::npos) break;
            } else if (!code) {
                stated += line[i];
            }
        }
        stated += "\n";
    }
    return stated;
}

// A value stated in prose must be one that the page shows from a run: a number of the prose
// must stand in one of the page's tables, code blocks or the example's description.
void CheckStatedNumbers(const std::string& prose, const std::string& page,
                        const std::string& where) {
    std::string shown;
    bool fenced = false;
    for (const std::string& line : Lines(page)) {
        if (line.starts_with("```")) fenced = !fenced;
        if (fenced || line.starts_with("|") || line.starts_with("[`") || line.starts_with("**"))
            shown += line + "\n";
    }
    const std::set<std::string> allowed = Numbers(shown);
    for (const std::string& number : Numbers(Stated(prose))) {
        const std::string unsigned_ = number.starts_with("-") ? number.substr(1) : number;
        if (!allowed.contains(number) && !allowed.contains(unsigned_))
            throw std::runtime_error(where + " states " + number +
                                     ", which no case, example or table on the page shows");
    }
}

// The operation alone in a scene, with nothing linked: the value it gives then.
std::string ValueWithoutChildren(const OperationInfo& info, const fs::path& work) {
    WriteText(work / "alone.json",
              "{\"frames\": 1, \"channels\": [{\"name\": \"q\", \"type\": \"quantifier\", "
              "\"operation\": " +
                  std::to_string(static_cast<int>(info.id)) + "}]}\n");
    const ToolRun run = RunIn(work, {"--format", "csv", "alone.json"});
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
            return "Nothing is reset. A channel that never measured a distance gives 0 at its "
                   "first render; one that did measures the first change against the value "
                   "kept in the place it shares with `ToggleOnRise`'s last trigger, which "
                   "that operation overwrites.";
        case StateKept::ChildStamp:
        case StateKept::CountAndStamps:
            return "Nothing is reset: the time stamps it remembers (shared by `ChildTimeStamp` "
                   "and `TextCount`) stay, so it may answer the channel's current value until "
                   "a child changes.";
        case StateKept::InvalidateCount:
            return "At the first render of this operation the channel registers with the "
                   "camera, once in its life, unless the host invalidated it before; switching "
                   "away does not unregister it.";
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

// A placeholder value for a child of each kind in the scene a page gives to paste.
Json Placeholder(ChildKind kind) {
    switch (kind) {
        case ChildKind::Float:
        case ChildKind::Unsigned:
        case ChildKind::MatchA:
        case ChildKind::MatchB:
            return 0;
        case ChildKind::Vector:
            return Json::array({0, 0, 0, 1});
        case ChildKind::Matrix:
            return Json::parse("[[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [0, 0, 0, 1]]");
        case ChildKind::Text:
            return "";
        case ChildKind::Object:
            return {{"type", "object"}};
        case ChildKind::Any:
            return {{"type", "float"}, {"value", 0}};
        case ChildKind::Internal:
            return {{"type", "float"}, {"interfaceType", 2}, {"publicCall", ""}};
    }
    return 0;
}

// A scene's JSON as a reader writes it: the top level's keys a line each, a channel a line.
std::string Pretty(const Json& scene) {
    std::string text = "{\n";
    size_t left = scene.size();
    for (const auto& [key, value] : scene.items()) {
        text += "  " + Json(key).dump() + ": ";
        if (key == "channels" || key == "actions") {
            text += "[\n";
            for (size_t i = 0; i < value.size(); ++i)
                text += "    " + Compact(value[i]) + (i + 1 < value.size() ? ",\n" : "\n");
            text += "  ]";
        } else {
            text += Compact(value);
        }
        text += --left > 0 ? ",\n" : "\n";
    }
    return text + "}";
}

// The scene that links the operation's children, to paste: a placeholder channel for each
// role, in the order the operation looks them up, and what the page's "Scene" section adds
// (the camera, a group, ...). It is run here, under --strict, so it is known to load cleanly.
std::string Wiring(const OperationInfo& info, const Prose& prose, const fs::path& work,
                   const std::string& where) {
    Json caseKeys = {{"case", "wiring"}};
    for (const ChildSlot& slot : info.children)
        caseKeys[std::string(slot.role)] = Placeholder(slot.kind);
    const std::string added = prose.SectionOr("Scene", "");
    if (!added.empty()) {
        const size_t open = added.find("```json\n"), close = added.rfind("```");
        if (open == std::string::npos || close <= open)
            throw std::runtime_error(where + ": the section \"Scene\" is one ```json block");
        const Json scene = Json::parse(added.substr(open + 8, close - open - 8));
        for (const auto& [key, value] : scene.items())
            caseKeys[key] = value;
    }
    Json scene = CaseScene(info, caseKeys, where);
    scene.erase("outputs");
    // Pasted, each child is named by its role; a child of any kind or an internal one has no
    // place in that form, so those operations keep the list.
    const bool byRole = std::all_of(info.children.begin(), info.children.end(), [](auto& slot) {
        return slot.kind != ChildKind::Any && slot.kind != ChildKind::Internal;
    });
    for (Json& channel : scene["channels"]) {
        if (!byRole || channel.value("name", "") != "q" || !channel.contains("children")) continue;
        Json roles = Json::object();
        for (const Json& child : channel["children"])
            roles[child.get<std::string>()] = child;
        channel["children"] = roles;
    }
    const fs::path folder = work / ("wiring-" + BaseName(info));
    fs::create_directories(folder);
    WriteText(folder / "scene.json", scene.dump(2) + "\n");
    const ToolRun run = RunIn(folder, {"--strict", "--format", "csv", "scene.json"});
    if (run.status != 0 || !run.err.empty())
        throw std::runtime_error(where + ": the scene to paste does not run cleanly: " + run.err);

    std::string text = "The scene that links its children, to paste and fill in:\n\n```json\n" +
                       Pretty(scene) + "\n```\n\n";
    if (info.children.empty()) return text;
    if (info.children[0].kind == ChildKind::Internal)
        return text +
               "`\"internal\"` names the channel's internal child 0, which it follows; it is "
               "no child in `\"children\"`.\n";
    if (info.children[0].kind == ChildKind::Any)
        return text + "It watches the first channel in `\"children\"`, of any kind.\n";
    return text +
           "`\"children\"` names each child by its role. It may also list them in the order the "
           "operation looks them up; an index then counts only the children of the same kind, so "
           "another kind linked between them changes none "
           "(see [conventions](CONVENTIONS.md#children)).\n";
}

// What the runner says when each child is linked as a channel of another kind (a vector for a
// float child, a float for any other): its warning, then --strict's refusal, both run here.
std::string WrongKinds(const OperationInfo& info, const fs::path& work) {
    Json caseKeys = {{"case", "wrong kinds"}};
    std::string how;
    bool any = false;
    for (const ChildSlot& slot : info.children) {
        const std::string role(slot.role);
        if (slot.kind == ChildKind::Any) {
            any = true;
        } else if (slot.kind == ChildKind::Internal) {
            caseKeys[role] = {{"type", "float"}, {"interfaceType", 1}};
            how = "its internal child of interface type 1";
        } else if (slot.kind == ChildKind::Float) {
            caseKeys[role] = {{"type", "vector"}, {"value", Json::array({0, 0, 0, 1})}};
        } else {
            caseKeys[role] = {{"type", "float"}, {"value", 0}};
        }
    }
    if (info.children.empty()) {
        caseKeys["channels"] = Json::parse(R"([{"name": "extra", "type": "float", "value": 0}])");
        caseKeys["links"] = Json::array({"extra"});
        how = "a float channel linked to it";
    } else if (any && info.children.size() == 1) {
        how = "nothing linked";
    } else if (how.empty()) {
        how =
            "each child linked as a channel of another kind (a vector for a float child, a "
            "float for any other)";
    }
    Json scene = CaseScene(info, caseKeys, "wrong kinds of " + std::string(info.name));
    const fs::path folder = work / ("wrong-" + BaseName(info));
    fs::create_directories(folder);
    WriteText(folder / "scene.json", scene.dump(2) + "\n");
    const ToolRun plain = RunIn(folder, {"--format", "csv", "scene.json"});
    const ToolRun strict = RunIn(folder, {"--strict", "--format", "csv", "scene.json"});
    const std::vector<std::string> rows = Lines(plain.out);
    if (plain.status != 0 || rows.size() != 2 || plain.err.empty() || strict.status == 0)
        throw std::runtime_error(std::string(info.name) +
                                 ": the wrong kinds draw no warning: " + plain.err + strict.err);
    std::string text;
    if (any) {
        text += "The first child linked is read whatever its kind, so no kind is wrong for it. ";
    }
    text += "With " + how +
            ", `quantifier-run` warns before the first frame and runs on (exit "
            "status " +
            std::to_string(plain.status) + "; here `q` gives `" + CsvFields(rows[1]).at(1) +
            "`):\n\n```\n" + plain.err + "```\n\n";
    text += "With `--strict` the same scene writes nothing and fails with exit status " +
            std::to_string(strict.status) + ":\n\n```\n" + strict.err + "```\n";
    return text;
}

// The outputs of an example whose changes are the operation's result: its quantifiers, and the
// channels a quantifier writes to.
std::vector<bool> ResultColumns(const Json& scene) {
    const Json& channels = scene.at("channels");
    std::map<std::string, std::string> types;
    for (const Json& channel : channels)
        types[channel.at("name").get<std::string>()] = channel.at("type").get<std::string>();
    std::set<std::string> results;
    for (const Json& channel : channels) {
        if (channel.at("type") != "quantifier") continue;
        results.insert(channel.at("name").get<std::string>());
        const Json& operation = channel.at("operation");
        const OperationInfo* info =
            operation.is_number()
                ? FindOperation(operation.get<int>())
                : FindOperation(static_cast<int>(
                      FindOperationByName(operation.get<std::string>()).value_or(OperationId{-1})));
        if (info == nullptr) continue;
        std::map<ChildKind, int> seen;
        for (const Json& child : channel.value("children", Json::array())) {
            const std::string& type = types.at(child.get<std::string>());
            ChildKind through = ChildKind::Float;
            for (size_t k = 0; k < quantifier_run::kChannelKindCount; ++k) {
                if (type == quantifier_run::kChannelKindNames[k])
                    through =
                        quantifier_run::LinkedKind(static_cast<quantifier_run::ChannelKind>(k));
            }
            const int index = seen[through]++;
            for (size_t slot = 0; slot < info->children.size(); ++slot) {
                if (info->children[slot].use == ChildUse::Written &&
                    info->children[slot].kind == through &&
                    quantifier_run::ChildIndex(*info, slot) == index)
                    results.insert(child.get<std::string>());
            }
        }
    }
    std::vector<bool> columns;
    Json outputs = scene.value("outputs", Json::array());
    if (outputs.empty()) {
        for (const Json& channel : channels)
            if (channel.at("type") == "quantifier") outputs.push_back(channel.at("name"));
    }
    for (const Json& output : outputs)
        columns.push_back(results.contains(output.get<std::string>()));
    return columns;
}

struct Shown {
    std::vector<size_t> frames;
    std::string said;
};

// The frames of an example the page shows: all of a short run; of a longer one, the first and,
// around each change of the result, the frame before it and the frame of it; where the result
// never changes, the same around each change of an input.
Shown ShownFrames(const std::vector<std::vector<std::string>>& rows,
                  const std::vector<bool>& result, const std::string& csvLink) {
    const size_t count = rows.size();
    if (count <= kShortRun) {
        std::vector<size_t> all(count);
        for (size_t i = 0; i < count; ++i)
            all[i] = i;
        return {all, (count == 1 ? std::string("The one frame of its run")
                                 : "All " + std::to_string(count) + " frames of its run") +
                         " (" + csvLink + "):"};
    }
    auto changing = [&](bool resultsOnly) {
        std::vector<size_t> frames = {0};
        for (size_t i = 1; i < count; ++i) {
            bool changes = false;
            for (size_t column = 0; column < result.size(); ++column)
                changes = changes || ((result[column] || !resultsOnly) &&
                                      rows[i].at(column + 1) != rows[i - 1].at(column + 1));
            if (!changes) continue;
            const size_t adding = frames.back() == i - 1 ? 1 : 2;
            if (frames.size() + adding > kTableRows) break;
            if (adding == 2) frames.push_back(i - 1);
            frames.push_back(i);
        }
        return frames;
    };
    std::vector<size_t> frames = changing(true);
    if (frames.size() > 1)
        return {frames,
                "The first frame, then each change of the result with the frame before "
                "it (" +
                    std::to_string(frames.size()) + " of its " + std::to_string(count) +
                    " frames; all of them: " + csvLink + "):"};
    frames = changing(false);
    return {frames, "The result is the same in all " + std::to_string(count) +
                        " frames. The first frame, then each change of an input with the frame "
                        "before it (all of them: " +
                        csvLink + "):"};
}

std::string ExampleTable(const std::string& csv, const std::vector<size_t>& frames) {
    const std::vector<std::string> lines = Lines(csv);
    const std::vector<std::string> header = CsvFields(lines.at(0));
    std::string table = "|";
    for (const std::string& field : header)
        table += " " + field + " |";
    table += "\n|";
    for (size_t k = 0; k < header.size(); ++k)
        table += "---|";
    table += "\n";
    for (const size_t frame : frames) {
        table += "|";
        for (const std::string& field : CsvFields(lines.at(frame + 1)))
            table += " " + CodeCell(field.empty() ? "null" : field) + " |";
        table += "\n";
    }
    return table;
}

struct ExampleRun {
    std::string section, csv, svg;
};

// The example's section: its description, the frames that show its point, the chart, and how
// to give its files the last-write times it was run with.
ExampleRun Example(const OperationInfo& info, const fs::path& examples, const Json& times) {
    const std::string base = BaseName(info);
    const std::string source = ReadText(examples / (base + ".json"));
    const Json scene = Json::parse(source);
    const std::string description = scene.value("description", std::string());
    if (description.empty()) throw std::runtime_error(base + ".json has no description");
    const ToolRun csv = RunIn(examples, {"--strict", "--format", "csv", base + ".json"});
    const ToolRun svg = RunIn(examples, {"--strict", "--format", "svg", base + ".json"});
    if (csv.status != 0 || !csv.err.empty() || svg.status != 0 || !svg.err.empty())
        throw std::runtime_error(base + ".json does not run cleanly with --strict: " + csv.err +
                                 svg.err);

    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Lines(csv.out))
        rows.push_back(CsvFields(line));
    rows.erase(rows.begin());
    const Shown shown =
        ShownFrames(rows, ResultColumns(scene), "[" + base + ".csv](" + base + ".csv)");

    std::string text = "[`" + base + ".json`](../../examples/operations/" + base +
                       ".json): " + description + "\n\n";
    std::string touch;
    for (const auto& [path, date] : times.items()) {
        if (source.find("\"" + path + "\"") != std::string::npos)
            touch += " && touch -d " + date.get<std::string>() + " " + path;
    }
    if (!touch.empty())
        text +=
            "Its files' last-write times decide the result, and a checkout gives them the "
            "time of the checkout. The page shows a run on a copy of the folder with the "
            "times in [" +
            std::string(kFileTimes) + "](../../examples/operations/" + kFileTimes +
            "); set them in the folder before running it:\n\n```sh\n" + touch.substr(4) +
            "\n```\n\n";
    text += shown.said + "\n\n" + ExampleTable(csv.out, shown.frames) + "\n";
    text += "![" + base + ".json as the runner charts it](" + base + ".svg)\n";
    return {text, csv.out, svg.out};
}

ExampleRun Page(const OperationInfo& info, const Prose& prose, const Renderer& renderer,
                const std::string& where, const std::string& alone, const fs::path& examples,
                const Json& times, const fs::path& work) {
    const int number = static_cast<int>(info.id);
    auto render = [&](const std::string& text) { return renderer.Render(text, &info, where); };
    std::string page = "<!-- Generated by quantifier-reference from the operation table and " +
                       where + "; edit those, not this page. -->\n\n";
    page += "# " + std::to_string(number) + " `" + std::string(info.name) + "`\n\n";
    page += "Operation " + std::to_string(number) + ", family " +
            std::string(OperationFamilyName(info.family)) +
            " ([all operations](README.md); units, axes, the camera and how children are "
            "counted: [conventions](CONVENTIONS.md)).\n\n";
    page += "**" + std::string(info.summary) + ".**\n\n";
    page += render(prose.computes) + "\n\n";
    page += ChildrenTable(info) + "\n";
    page += "Result: " + std::string(ResultKindName(info.result)) + ".\n\n";
    page += "With no children linked it gives `" + alone +
            "` (the runner's answer for a channel of this operation alone in a scene).\n\n";
    page += "## In a scene\n\n" + Wiring(info, prose, work, where) + "\n";
    page += "## State and the host's calls\n\n";
    page += "- Kept between renders: " + std::string(StateKeptName(info.keeps)) + ".\n";
    page += "- `SetOperationType` to it: " +
            render(prose.SectionOr("SetOperationType", SwitchingTo(info))) + "\n";
    page += "- `CallChannel`: " +
            render(prose.SectionOr("CallChannel",
                                   "evaluates the channel as a read does: at most once per "
                                   "render, so a call in a render that was already evaluated "
                                   "changes nothing.")) +
            "\n\n";
    page += "## At the edges\n\n" + render(prose.Section("At the edges", where)) + "\n\n";
    if (prose.Has("Common mistakes"))
        page += "## Common mistakes\n\n" + render(prose.Section("Common mistakes", where)) + "\n\n";
    page += "## Linking the wrong kind\n\n" + WrongKinds(info, work) + "\n";
    ExampleRun example = Example(info, examples, times);
    page += "## Example\n\n" + example.section;
    if (prose.Has("See also"))
        page += "\n## See also\n\n" + render(prose.Section("See also", where)) + "\n";
    std::string written = prose.computes;
    for (const auto& [heading, text] : prose.sections) {
        if (heading != "Scene") written += "\n" + text;
    }
    CheckStatedNumbers(written, page, where);
    example.section = std::move(page);
    return example;
}

std::string Index(const Prose& intro, const Renderer& renderer,
                  const std::vector<std::string>& alone) {
    const std::string where = "tools/quantifier-reference/operations/README.md";
    std::string page = "<!-- Generated by quantifier-reference from the operation table and " +
                       where + "; edit those, not this page. -->\n\n# The operations\n\n" +
                       renderer.Render(intro.computes, nullptr, where) + "\n\n";
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
        page += "## " + heading + "\n\n" + renderer.Render(text, nullptr, where) + "\n\n";
    return page.substr(0, page.size() - 1);
}

std::string Conventions(const Prose& prose, const Renderer& renderer) {
    const std::string where = "tools/quantifier-reference/operations/CONVENTIONS.md";
    std::string page = "<!-- Generated by quantifier-reference from " + where +
                       "; edit that, not this page. -->\n\n" +
                       renderer.Render(prose.computes, nullptr, where) + "\n";
    std::string all = prose.computes;
    for (const auto& [heading, text] : prose.sections) {
        page += "\n## " + heading + "\n\n" + renderer.Render(text, nullptr, where) + "\n";
        all += "\n" + text;
    }
    CheckStatedNumbers(all, page, where);
    return page;
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

    // The examples run on a copy of their folder, whose files get the last-write times the
    // examples were written for: a checkout gives them the time of the checkout.
    const fs::path examples = work / "examples";
    fs::copy(sources.examples, examples, fs::copy_options::recursive);
    const Json times = Json::parse(ReadText(examples / kFileTimes));
    SetFileTimes(examples, times);

    const Renderer renderer(sources.root, work);
    std::vector<std::string> alone;
    for (const OperationInfo& info : kOperations)
        alone.push_back(ValueWithoutChildren(info, work));

    for (const OperationInfo& info : kOperations) {
        const std::string base = BaseName(info);
        const std::string where = "tools/quantifier-reference/operations/" + base + ".md";
        const Prose prose = ReadProse(sources.prose / (base + ".md"), kPageSections);
        const ExampleRun run = Page(info, prose, renderer, where,
                                    alone[static_cast<size_t>(info.id)], examples, times, work);
        WriteText(out / (base + ".csv"), run.csv);
        WriteText(out / (base + ".svg"), run.svg);
        WriteText(out / (base + ".md"), run.section);
    }
    WriteText(out / "README.md",
              Index(ReadProse(sources.prose / "README.md", {}), renderer, alone));
    WriteText(out / "CONVENTIONS.md",
              Conventions(ReadProse(sources.prose / "CONVENTIONS.md", {}), renderer));
}

}  // namespace quantifier_reference
