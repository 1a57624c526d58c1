#include "ReferenceCases.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "app/Runner.h"
#include "common/FilePath.h"
#include "engine/LinkCheck.h"
#include "engine/Scene.h"

namespace quantifier_reference {
namespace {

namespace fs = std::filesystem;
using quantifier_run::PathText;

// The keys a case may give besides "case" and the roles; the scene's own go in as written.
constexpr const char* kSceneKeys[] = {"camera", "timer",   "windows", "mainWindow",
                                      "groups", "actions", "frames"};
constexpr const char* kCaseKeys[] = {"links", "channels", "q", "show", "files"};

bool Among(const std::string& key, const auto& keys) {
    return std::find(std::begin(keys), std::end(keys), key) != std::end(keys);
}

// A role given as a channel of its own ({"type": ..., "value"/"frames": ..., more keys}) rather
// than as the value of a channel of the role's kind. A text value in bytes or units is an
// object too, but without these keys.
bool IsChannel(const Json& given) {
    return given.is_object() &&
           (given.contains("type") || given.contains("value") || given.contains("frames"));
}

std::vector<std::string> Roles(const OperationInfo& info) {
    std::vector<std::string> roles;
    for (const ChildSlot& slot : info.children)
        roles.emplace_back(slot.role);
    return roles;
}

std::chrono::sys_days Day(const std::string& date) {
    int year = 0;
    unsigned month = 0, day = 0;
    char end = 0;
    if (std::sscanf(date.c_str(), "%d-%u-%u%c", &year, &month, &day, &end) != 3)
        throw std::runtime_error("not a date YYYY-MM-DD: " + date);
    const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{month},
                                          std::chrono::day{day}};
    if (!ymd.ok()) throw std::runtime_error("not a date: " + date);
    return std::chrono::sys_days{ymd};
}

void SetTime(const fs::path& path, const std::string& date) {
    const std::chrono::sys_seconds time{Day(date)};
    fs::last_write_time(path, std::chrono::file_clock::from_sys(time));
}

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text)
        escaped += c == '|' ? std::string("\\|") : std::string(1, c);
    return escaped;
}

// One column of the csv the runner wrote, frame by frame.
std::vector<std::string> Column(const std::vector<std::vector<std::string>>& rows, size_t column) {
    std::vector<std::string> values;
    for (const auto& row : rows)
        values.push_back(row.at(column));
    return values;
}

std::string Joined(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& value : values)
        text += (text.empty() ? "" : ", ") + (value.empty() ? std::string("null") : value);
    return text;
}

// A case with the keys its block shares: its own key replaces a shared one, and its null
// removes it (but a role's null is a value: no text).
Json Merged(const Json& every, const Json& own, const std::vector<std::string>& roles) {
    Json caseKeys = every;
    for (const auto& [key, value] : own.items()) {
        if (value.is_null() && !Among(key, roles)) {
            caseKeys.erase(key);
        } else {
            caseKeys[key] = value;
        }
    }
    return caseKeys;
}

}  // namespace

ToolRun RunIn(const fs::path& folder, const std::vector<std::string>& arguments) {
    const fs::path started = fs::current_path();
    fs::current_path(folder);
    struct GoBack {
        fs::path path;
        ~GoBack() {
            std::error_code ignored;
            fs::current_path(path, ignored);
        }
    } goBack{started};
    std::ostringstream out, err;
    const int status = quantifier_run::RunQuantifierTool(arguments, out, err, false);
    return {status, out.str(), err.str()};
}

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

std::string Compact(const Json& value) {
    std::string text;
    if (value.is_object()) {
        for (const auto& [key, item] : value.items())
            text += (text.empty() ? "" : ", ") + Json(key).dump() + ": " + Compact(item);
        return "{" + text + "}";
    }
    if (value.is_array()) {
        for (const Json& item : value)
            text += (text.empty() ? "" : ", ") + Compact(item);
        return "[" + text + "]";
    }
    return value.dump();
}

std::string CodeCell(const std::string& text) {
    return "`" + Escaped(text) + "`";
}

std::string SceneType(ChildKind kind) {
    // The first kind of channel that presents the child's interface; a quantifier presents the
    // float interface too, but a float child is made as a float channel.
    for (size_t k = 0; k < quantifier_run::kChannelKindCount; ++k) {
        const auto channel = static_cast<quantifier_run::ChannelKind>(k);
        if (channel != quantifier_run::ChannelKind::Quantifier &&
            quantifier_run::LinkedKind(channel) == kind)
            return quantifier_run::ChannelKindName(channel);
    }
    return "float";  // a child of any kind, or the internal child, which is a float channel here
}

Json CaseScene(const OperationInfo& info, const Json& caseKeys, const std::string& where) {
    if (!caseKeys.is_object()) throw std::runtime_error(where + ": a case is a JSON object");
    const std::vector<std::string> roles = Roles(info);
    for (const auto& [key, value] : caseKeys.items()) {
        if (key != "case" && !Among(key, kSceneKeys) && !Among(key, kCaseKeys) &&
            !Among(key, roles))
            throw std::runtime_error(where + ": a case of " + std::string(info.name) +
                                     " has the key \"" + key + "\", which is neither a role " +
                                     "nor a key of a case");
    }
    Json scene = Json::object();
    for (const char* key : kSceneKeys) {
        if (caseKeys.contains(key)) scene[key] = caseKeys[key];
    }
    Json channels = caseKeys.value("channels", Json::array());
    Json children = Json::array(), internal = Json::array();
    for (const ChildSlot& slot : info.children) {
        const std::string role(slot.role);
        if (!caseKeys.contains(role)) continue;
        const Json& given = caseKeys[role];
        Json channel = {{"name", role}};
        if (IsChannel(given)) {
            channel["type"] = given.value("type", SceneType(slot.kind));
            for (const auto& [key, value] : given.items()) {
                if (key != "type") channel[key] = value;
            }
        } else {
            channel["type"] = SceneType(slot.kind);
            channel["value"] = given;
        }
        channels.push_back(std::move(channel));
        (slot.kind == ChildKind::Internal ? internal : children).push_back(role);
    }
    Json quantifier = {{"name", "q"}, {"type", "quantifier"}, {"operation", info.name}};
    if (caseKeys.contains("links")) children = caseKeys["links"];
    if (!children.empty()) quantifier["children"] = children;
    if (!internal.empty()) quantifier["internal"] = internal;
    const Json own = caseKeys.value("q", Json::object());
    for (const auto& [key, value] : own.items())
        quantifier[key] = value;
    channels.push_back(std::move(quantifier));
    scene["channels"] = std::move(channels);
    Json outputs = {"q"};
    for (const Json& shown : caseKeys.value("show", Json::array()))
        outputs.push_back(shown);
    scene["outputs"] = std::move(outputs);
    return scene;
}

namespace {

// The cases of a block, one JSON line each; a line with "every" instead of "case" gives keys
// that all the block's cases share, said once, above the table.
std::vector<Json> ReadCases(const std::string& block, const std::string& where, Json& every) {
    std::vector<Json> cases;
    for (const std::string& line : Lines(block)) {
        if (line.find_first_not_of(' ') == std::string::npos) continue;
        Json caseKeys;
        try {
            caseKeys = Json::parse(line);
        } catch (const Json::parse_error& error) {
            throw std::runtime_error(where + ": a case is not JSON: " + error.what() + ": " + line);
        }
        if (caseKeys.contains("every")) {
            every = caseKeys["every"];
            continue;
        }
        if (!caseKeys.contains("case"))
            throw std::runtime_error(where + ": a case needs a \"case\", what it shows: " + line);
        cases.push_back(std::move(caseKeys));
    }
    if (cases.empty()) throw std::runtime_error(where + ": a block of cases holds none");
    return cases;
}

// A key that sets the case up (the camera, a file, ...) rather than linking a role.
bool IsSetUp(const std::string& key) {
    return Among(key, kSceneKeys) || (Among(key, kCaseKeys) && key != "show");
}

// The keys of `caseKeys` that `wanted` takes, each as code.
template <class Wanted>
std::string KeysText(const Json& caseKeys, Wanted&& wanted) {
    std::string text;
    for (const auto& [key, value] : caseKeys.items()) {
        if (wanted(key))
            text += (text.empty() ? "" : " ") + CodeCell(Json(key).dump() + ": " + Compact(value));
    }
    return text;
}

// The columns of a block's table: its roles, what sets a case up, and the channels shown.
struct CaseColumns {
    std::vector<std::string> roles;
    std::vector<std::string> shown;
    bool setUp = false;
};

std::string TableHead(const CaseColumns& columns, const Json& every) {
    std::string table;
    if (!every.empty())
        table += "Every case here also has " +
                 KeysText(every, [](const std::string& key) { return key != "show"; }) + ".\n\n";
    table += "| case |";
    for (const std::string& role : columns.roles)
        table += " " + role + " |";
    if (columns.setUp) table += " also |";
    table += " gives |";
    for (const std::string& name : columns.shown)
        table += " " + name + " after |";
    table += "\n|";
    for (size_t i = 0;
         i < 2 + columns.roles.size() + (columns.setUp ? 1 : 0) + columns.shown.size(); ++i)
        table += "---|";
    return table + "\n";
}

// One case run in a folder of its own, as its row of the table.
std::string CaseRow(const OperationInfo& info, const CaseColumns& columns, const Json& own,
                    const Json& caseKeys, const fs::path& folder, const std::string& where) {
    const std::string label = caseKeys["case"].get<std::string>();
    fs::create_directories(folder);
    if (caseKeys.contains("files")) MakeFiles(folder, caseKeys["files"]);
    const Json scene = CaseScene(info, caseKeys, where);
    WriteText(folder / "scene.json", scene.dump(2) + "\n");
    const ToolRun run = RunIn(folder, {"--format", "csv", "scene.json"});
    if (run.status != 0)
        throw std::runtime_error(where + ": the case \"" + label + "\" does not run: " + run.err);
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Lines(run.out))
        rows.push_back(CsvFields(line));
    rows.erase(rows.begin());  // the header

    std::string row = "| " + Escaped(label) + " |";
    for (const std::string& role : columns.roles)
        row += own.contains(role)        ? " " + CodeCell(Compact(own[role])) + " |"
               : caseKeys.contains(role) ? std::string(" as above |")
                                         : std::string(" not linked |");
    if (columns.setUp) row += " " + KeysText(own, IsSetUp) + " |";
    row += " " + CodeCell(Joined(Column(rows, 1))) + " |";
    const Json names = caseKeys.value("show", Json::array());
    for (const std::string& name : columns.shown) {
        const auto at = std::find(names.begin(), names.end(), Json(name));
        row +=
            at == names.end()
                ? std::string(" |")
                : " " +
                      CodeCell(Joined(Column(rows, 2 + static_cast<size_t>(at - names.begin())))) +
                      " |";
    }
    return row + "\n";
}

}  // namespace

std::string CasesTable(const OperationInfo& info, const std::string& block, const fs::path& work,
                       const std::string& where) {
    Json every = Json::object();
    const std::vector<Json> cases = ReadCases(block, where, every);
    CaseColumns columns;
    columns.roles = Roles(info);
    for (const Json& caseKeys : cases) {
        for (const Json& name :
             Merged(every, caseKeys, columns.roles).value("show", Json::array())) {
            if (std::find(columns.shown.begin(), columns.shown.end(), name.get<std::string>()) ==
                columns.shown.end())
                columns.shown.push_back(name.get<std::string>());
        }
        for (const auto& [key, value] : caseKeys.items())
            columns.setUp = columns.setUp || (IsSetUp(key) && key != "case");
    }
    std::string table = TableHead(columns, every);
    static int counter = 0;  // a folder for every case of the whole reference
    for (const Json& own : cases) {
        const fs::path folder = work / ("case-" + std::to_string(++counter));
        table += CaseRow(info, columns, own, Merged(every, own, columns.roles), folder, where);
    }
    return table;
}

void MakeFiles(const fs::path& folder, const Json& files) {
    Json times = Json::object();
    std::vector<fs::path> readOnly;
    for (const auto& [name, made] : files.items()) {
        const fs::path path = folder / quantifier_run::FilePath(name);
        fs::create_directories(path.parent_path());
        if (made.is_string()) {
            WriteText(path, made.get<std::string>());
            continue;
        }
        if (made.value("dir", false)) {
            fs::create_directories(path);
        } else {
            WriteText(path, made.value("text", std::string()));
            // A large file costs nothing: its size is set, not written.
            if (made.contains("size")) fs::resize_file(path, made["size"].get<uintmax_t>());
        }
        if (made.contains("time")) times[name] = made["time"];
        if (made.value("readOnly", false)) readOnly.push_back(path);
    }
    // Times last, after every file inside a folder is made, which would change the folder's.
    SetFileTimes(folder, times);
    for (const fs::path& path : readOnly)
        fs::permissions(path,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
}

void SetFileTimes(const fs::path& folder, const Json& times) {
    for (const auto& [name, date] : times.items())
        SetTime(folder / quantifier_run::FilePath(name), date.get<std::string>());
}

}  // namespace quantifier_reference
