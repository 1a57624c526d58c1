#include "Suggestions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace quantifier_run {
namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            const size_t substitution = diagonal + (Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row[b.size()];
}

void AppendControl(std::string& quoted, char c) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04X", byte);
                quoted += escape;
            } else {
                quoted += c;
            }
    }
}
}  // namespace

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += "\\\"";
        } else if (c == '\\') {
            quoted += "\\\\";
        } else {
            AppendControl(quoted, c);
        }
    }
    return quoted + "\"";
}

std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text)
        AppendControl(line, c);
    return line;
}

std::vector<std::string> NearestNames(std::string_view name,
                                      const std::vector<std::string>& candidates) {
    // A third of the name's length may be wrong, and at least two letters.
    const size_t limit = std::max<size_t>(2, name.size() / 3);
    std::vector<std::pair<size_t, std::string>> near;
    for (const std::string& candidate : candidates) {
        const size_t distance = EditDistance(name, candidate);
        if (distance <= limit) near.emplace_back(distance, candidate);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (size_t i = 0; i < near.size() && i < 3; ++i)
        names.push_back(near[i].second);
    return names;
}

std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates) {
    const std::vector<std::string> names = NearestNames(name, candidates);
    if (names.empty()) return "";
    std::string text = " (did you mean ";
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
        text += Quoted(names[i]);
    }
    return text + "?)";
}

}  // namespace quantifier_run
