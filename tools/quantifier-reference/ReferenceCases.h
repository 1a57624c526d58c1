// Cases: the small scenes beside an operation's prose that the reference runs to show what the
// operation gives at its edges. A case names the values of the operation's children by role;
// the generator makes the scene, runs it through the runner and puts the inputs beside the
// result it computed, so that a page states no value that was not run.
//
// In the prose, a block of cases is a fenced block whose info string is "cases" (the page's
// operation) or "cases Name" (another one), one JSON object a line:
//   {"case": "what it shows", "lower": 4, "value": 5, "upper": 3}
// - a role's value is the value of a channel of the role's kind ("nan", "inf" and null as in a
//   scene), or a channel of its own: {"type": "float", "frames": [1, 2]}; a role left out is not
//   linked;
// - "camera", "timer", "windows", "mainWindow", "groups", "actions", "frames" go into the scene
//   as written; "channels" are made before the roles; "links" replaces the children's list;
//   "q" holds the quantifier's own keys ("value", "group", ...); "show" names more outputs;
//   "files" makes files in the case's folder (MakeFiles);
// - a line {"every": {...}} gives keys that every case of the block shares, said once above
//   the table; a case's own key replaces a shared one, and its null removes it.
// The result is the quantifier's value at every frame the case runs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "OperationTable.h"

namespace quantifier_reference {

using Json = nlohmann::ordered_json;

struct ToolRun {
    int status;
    std::string out, err;
};

// The runner, in this process, as a user would call it from `folder`. Each run makes its own
// engine, so a run here gives what the same command gives alone.
ToolRun RunIn(const std::filesystem::path& folder, const std::vector<std::string>& arguments);

std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);

// The fields of one csv line as the runner writes them: a text is a JSON string, quotes
// included (it holds no other quote), and no text at all an empty field.
std::vector<std::string> CsvFields(const std::string& line);
std::vector<std::string> Lines(const std::string& text);

// JSON on one line, with a space after each comma and colon, keys in the order written.
std::string Compact(const Json& value);

// A table cell that shows `text` as code, so that Markdown leaves it alone.
std::string CodeCell(const std::string& text);

// The scene name of the kind of channel a child of `kind` is made as ("float", "matchA").
std::string SceneType(ChildKind kind);

// The scene of a case of `info`: one channel per role the case gives, named by the role and
// linked in the row's order (or as "links" says), then the quantifier "q" with the operation.
// What else the case gives (the scene's camera, timer, groups, actions, frames; "channels"
// before them; "q" for the quantifier's own keys; "show" for more outputs) goes in as written.
Json CaseScene(const OperationInfo& info, const Json& caseKeys, const std::string& where);

// A block of cases, one JSON object a line, each run for `info` in a folder of its own under
// `work`, as a Markdown table of its inputs and what the run gave.
std::string CasesTable(const OperationInfo& info, const std::string& block,
                       const std::filesystem::path& work, const std::string& where);

// Makes the files that `files` describes under `folder`: a name with a text (the file's
// content), or with {"dir": true, "text": "...", "size": bytes, "time": "YYYY-MM-DD",
// "readOnly": true}.
void MakeFiles(const std::filesystem::path& folder, const Json& files);

// Gives the files under `folder` the last-write times in `times` ({"path": "YYYY-MM-DD"}).
void SetFileTimes(const std::filesystem::path& folder, const Json& times);

}  // namespace quantifier_reference
