#include "common/Suggestions.h"

#include <algorithm>
#include <cctype>

namespace quantifier_run {
namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The edit distance of `a` and `b` when it is at most `limit`, otherwise limit + 1. Only the
// cells within `limit` of the diagonal can hold a distance that small, so the work is
// (length × band) and stops once a whole row is beyond the limit; `work` counts the cells.
size_t EditDistanceWithin(std::string_view a, std::string_view b, size_t limit, size_t& work) {
    const size_t beyond = limit + 1;
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return beyond;
    std::vector<size_t> row(b.size() + 1, beyond);
    for (size_t j = 0; j <= std::min(b.size(), limit); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        const size_t first = i > limit ? i - limit : 1;
        const size_t last = std::min(b.size(), i + limit);
        size_t diagonal = row[first - 1];
        row[first - 1] = first == 1 && i <= limit ? i : beyond;
        size_t best = row[first - 1];
        for (size_t j = first; j <= last; ++j) {
            const size_t above = row[j];
            const size_t substitution = diagonal + (Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution, beyond});
            diagonal = above;
            best = std::min(best, row[j]);
        }
        work += last - first + 1;
        if (best > limit) return beyond;
    }
    return row[b.size()];
}

bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace

std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text)
        AppendEscapedControl(line, c);
    return line;
}

std::vector<std::string> NearestNames(std::string_view name,
                                      const std::vector<std::string>& candidates) {
    // A third of the name's length may be wrong, and at least two letters; more than
    // kMostEdits is no misspelling but another name.
    constexpr size_t kMostEdits = 16;
    // Suggestions are a courtesy: past this many compared letters (a fraction of a second)
    // the search ends with what it found, so that no scene makes an error message slow.
    constexpr size_t kMostWork = size_t{1} << 25;
    const size_t limit = std::min(kMostEdits, std::max<size_t>(2, name.size() / 3));
    std::vector<std::pair<size_t, std::string>> near;
    size_t work = 0;
    for (const std::string& candidate : candidates) {
        if (work > kMostWork) break;
        const size_t distance = EditDistanceWithin(name, candidate, limit, work);
        if (distance <= limit) {
            near.emplace_back(distance, candidate);
        } else if (name.size() >= 3 && candidate.size() > name.size()) {
            // A word left short ("child") or the end of a longer name ("Distance") is no
            // misspelling, but still points at the names it begins or ends.
            work += name.size();
            const std::string_view whole(candidate);
            if (SameLetters(whole.substr(0, name.size()), name) ||
                SameLetters(whole.substr(whole.size() - name.size()), name))
                near.emplace_back(limit + 1, candidate);
        }
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (size_t i = 0; i < near.size() && i < 3; ++i)
        names.push_back(near[i].second);
    return names;
}

std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates) {
    return DidYouMean(NearestNames(name, candidates));
}

std::string DidYouMean(const std::vector<std::string>& names) {
    if (names.empty()) return "";
    std::string text = " (did you mean ";
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
        text += Quoted(names[i]);
    }
    return text + "?)";
}

}  // namespace quantifier_run
