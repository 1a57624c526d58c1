#include "output/CsvDiff.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>

#include "Orn_FileStream.h"
#include "engine/Quoting.h"
#include "engine/RunError.h"
#include "output/Formatting.h"

namespace quantifier_run {
namespace {

// Floats in an order where neighbours differ by one: negative ones mirrored below zero, so that
// -0 and 0 are one apart.
int64_t Ordered(float value) {
    const auto bits = static_cast<int64_t>(std::bit_cast<uint32_t>(value) & 0x7FFFFFFFu);
    return std::signbit(value) ? -bits - 1 : bits;
}

// The fields of one line: a quoted field ends at its closing quote, "" inside it is a quote.
std::vector<std::string> Fields(std::string_view line, const std::string& place) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            fields.back() += c;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) throw RunError(kExitBadInput, place + ": a quoted field is not closed");
    return fields;
}

// A header name without its quotes.
std::string Unquoted(const std::string& field) {
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        return field.substr(1, field.size() - 2);
    return field;
}

// The numbers of a cell apart by spaces, when it holds nothing else.
std::optional<std::vector<float>> Numbers(std::string_view cell) {
    std::vector<float> numbers;
    size_t start = 0;
    while (start <= cell.size()) {
        const size_t end = std::min(cell.find(' ', start), cell.size());
        float value = 0.0f;
        const char* first = cell.data() + start;
        const char* last = cell.data() + end;
        const auto [stop, error] = std::from_chars(first, last, value);
        if (first == last || error != std::errc() || stop != last) return std::nullopt;
        numbers.push_back(value);
        start = end + 1;
    }
    return numbers;
}

// The largest difference between the finite numbers of two cells of as many numbers.
std::optional<double> Difference(std::string_view before, std::string_view after) {
    const auto a = Numbers(before);
    const auto b = Numbers(after);
    if (!a || !b || a->size() != b->size()) return std::nullopt;
    std::optional<double> largest;
    for (size_t i = 0; i < a->size(); ++i) {
        const double d = std::fabs(static_cast<double>((*a)[i]) - static_cast<double>((*b)[i]));
        if (std::isfinite(d)) largest = std::max(largest.value_or(0.0), d);
    }
    return largest;
}

}  // namespace

bool CloseFloats(float before, float after, const Closeness& closeness) {
    if (std::isnan(before) || std::isnan(after)) return std::isnan(before) && std::isnan(after);
    if (closeness.tolerance) {
        if (before == after) return true;  // the same infinity
        // In double, so that the difference of two large floats does not overflow.
        return std::fabs(static_cast<double>(before) - static_cast<double>(after)) <=
               static_cast<double>(*closeness.tolerance);
    }
    if (closeness.ulps) return std::llabs(Ordered(before) - Ordered(after)) <= *closeness.ulps;
    return std::bit_cast<uint32_t>(before) == std::bit_cast<uint32_t>(after);
}

bool SameCell(std::string_view before, std::string_view after, const Closeness& closeness) {
    if (before == after) return true;
    if (!closeness.tolerance && !closeness.ulps) return false;
    const auto a = Numbers(before);
    const auto b = Numbers(after);
    if (!a || !b || a->size() != b->size()) return false;
    for (size_t i = 0; i < a->size(); ++i) {
        if (!CloseFloats((*a)[i], (*b)[i], closeness)) return false;
    }
    return true;
}

CsvRows ReadCsvRows(std::string_view text, const std::string& label) {
    CsvRows csv;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        start = end + 1;
        const std::string place = label + ":" + std::to_string(++lineNumber) + ":1";
        std::vector<std::string> fields = Fields(line, place);
        if (lineNumber == 1) {
            if (fields.front() != "frame")
                throw RunError(kExitBadInput, place +
                                                  ": expected the header \"frame,...\" of "
                                                  "the runner's csv");
            for (size_t i = 1; i < fields.size(); ++i)
                csv.names.push_back(Unquoted(fields[i]));
            continue;
        }
        if (fields.front() != std::to_string(csv.rows.size()) ||
            fields.size() != csv.names.size() + 1)
            throw RunError(kExitBadInput, place + ": expected frame " +
                                              std::to_string(csv.rows.size()) + " and " +
                                              std::to_string(csv.names.size()) + " values");
        fields.erase(fields.begin());
        csv.rows.push_back(std::move(fields));
    }
    if (lineNumber == 0) throw RunError(kExitBadInput, label + ": empty, not the runner's csv");
    return csv;
}

CsvRows ReadCsvFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!OrnReadFile(path, bytes, &reason, std::numeric_limits<uint64_t>::max()))
        throw RunError(kExitBadInput, reason);
    return ReadCsvRows(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                       path);
}

RowsDiff DiffRows(const CsvRows& before, const CsvRows& after, const Closeness& closeness) {
    RowsDiff diff;
    diff.framesBefore = before.rows.size();
    diff.framesAfter = after.rows.size();
    // A name's n-th column in one run is its n-th in the other.
    std::map<std::string, std::vector<size_t>> old;
    for (size_t c = 0; c < before.names.size(); ++c)
        old[before.names[c]].push_back(c);
    std::map<std::string, size_t> seen;
    const size_t frames = std::min(diff.framesBefore, diff.framesAfter);
    for (size_t c = 0; c < after.names.size(); ++c) {
        const std::string& name = after.names[c];
        const size_t repeat = seen[name]++;
        const auto found = old.find(name);
        if (found == old.end() || repeat >= found->second.size()) {
            diff.onlyAfter.push_back(name);
            continue;
        }
        const size_t o = found->second[repeat];
        ColumnDiff column;
        column.name = name;
        for (size_t f = 0; f < frames; ++f) {
            const std::string& a = before.rows[f][o];
            const std::string& b = after.rows[f][c];
            if (SameCell(a, b, closeness)) continue;
            if (column.frames++ == 0) {
                column.firstFrame = f;
                column.before = a;
                column.after = b;
            }
            if (const auto d = Difference(a, b))
                column.largest = std::max(column.largest.value_or(0.0), *d);
        }
        if (column.frames > 0) diff.columns.push_back(std::move(column));
    }
    for (const auto& [name, columns] : old) {
        for (size_t n = seen[name]; n < columns.size(); ++n)
            diff.onlyBefore.push_back(name);
    }
    return diff;
}

std::vector<std::string> DiffLines(const RowsDiff& diff) {
    std::vector<std::string> lines;
    for (const ColumnDiff& column : diff.columns) {
        std::string line = Quoted(column.name) + ": from frame " +
                           std::to_string(column.firstFrame) + ", " +
                           std::to_string(column.frames) +
                           (column.frames == 1 ? " frame differs" : " frames differ");
        if (column.largest)
            line += ", by at most " + FormatFloat(static_cast<float>(*column.largest));
        lines.push_back(line + " (" + column.before + " before, " + column.after + " now)");
    }
    for (const std::string& name : diff.onlyBefore)
        lines.push_back(Quoted(name) + ": only in the old run");
    for (const std::string& name : diff.onlyAfter)
        lines.push_back(Quoted(name) + ": only in the new run");
    if (diff.framesBefore != diff.framesAfter)
        lines.push_back("the old run has " + std::to_string(diff.framesBefore) +
                        " frames, the new one " + std::to_string(diff.framesAfter));
    return lines;
}

}  // namespace quantifier_run
