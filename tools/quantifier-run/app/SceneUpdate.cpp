#include "app/SceneUpdate.h"

#include <algorithm>
#include <sstream>

#include "Orn_FileStream.h"
#include "output/CsvDiff.h"
#include "output/Formatting.h"

namespace quantifier_run {
namespace {

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!OrnReadFile(path, bytes, &reason)) throw RunError(kExitFailure, reason);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
    std::string reason;
    if (!OrnWriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()), &reason))
        throw RunError(kExitFailure, "cannot update " + path + ": " + reason);
}

// The byte offset of a line and column, the column counted in characters as the scene reader
// counts them (a UTF-8 sequence once).
size_t OffsetOf(std::string_view text, TextPosition at) {
    size_t offset = 0;
    for (size_t line = 1; line < at.line && offset < text.size(); ++offset) {
        if (text[offset] == '\n') ++line;
    }
    for (size_t column = 1; column < at.column && offset < text.size();) {
        ++offset;
        if ((static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80) ++column;
    }
    return offset;
}

int UpdateGolden(const std::string& path, RunOutput& output, std::ostream& err) {
    std::ostringstream rows;
    if (!output.rows->WriteTo(rows)) throw RunError(kExitFailure, "cannot hold the run's rows");
    std::string old;
    const auto failure = Attempt([&] { old = ReadText(path); });
    if (!failure && old == rows.str()) {
        err << "quantifier-run: " << MessageLine(path) << " is current\n";
        return kExitSuccess;
    }
    WriteText(path, rows.str());
    err << "quantifier-run: updated " << MessageLine(path) << "\n";
    return kExitSuccess;
}

}  // namespace

size_t JsonValueEnd(std::string_view text, size_t offset) {
    size_t depth = 0;
    for (size_t i = offset; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
            }
            if (depth == 0) return i + 1;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (depth == 0) return i;
            if (--depth == 0) return i + 1;
        } else if (depth == 0 && (c == ',' || c == ' ' || c == '\n' || c == '\r' || c == '\t')) {
            return i;
        }
    }
    return text.size();
}

int UpdateExpected(const Options& options, RunOutput& output, std::ostream& err) {
    if (options.expectPath) return UpdateGolden(*options.expectPath, output, err);
    if (options.scenePath == "-")
        throw RunError(kExitBadInput,
                       "--update writes the scene's \"expect\" into its file, and "
                       "standard input is none; give --expect FILE or a scene file");
    std::vector<ExpectFailure> failures;
    if (output.check) failures = output.check->Failures();
    if (failures.empty()) {
        err << "quantifier-run: the scene's expectations are current\n";
        return kExitSuccess;
    }
    const std::vector<Expectation>& expected = output.expected->expectations;
    // From the end of the file, so that each replacement leaves the earlier places where they are.
    std::sort(failures.begin(), failures.end(), [&](const auto& a, const auto& b) {
        const TextPosition x = expected[a.expectation].valueAt;
        const TextPosition y = expected[b.expectation].valueAt;
        return std::pair(x.line, x.column) > std::pair(y.line, y.column);
    });
    std::string text = ReadText(options.scenePath);
    for (const ExpectFailure& failure : failures) {
        const size_t start = OffsetOf(text, expected[failure.expectation].valueAt);
        text.replace(start, JsonValueEnd(text, start) - start, failure.foundJson);
    }
    WriteText(options.scenePath, text);
    err << "quantifier-run: updated " << failures.size() << " of the scene's " << expected.size()
        << " expectations in " << MessageLine(options.scenePath) << "\n";
    return kExitSuccess;
}

}  // namespace quantifier_run
