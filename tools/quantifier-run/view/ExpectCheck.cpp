#include "view/ExpectCheck.h"

#include <algorithm>

#include "engine/Quoting.h"
#include "output/CsvDiff.h"
#include "output/Formatting.h"
#include "output/OutputFormats.h"

namespace quantifier_run {
namespace {

std::string Shown(const Cell& cell) {
    return FormatCell(cell, OutputFormat::Table);
}

}  // namespace

bool Meets(const Expectation& expected, const Cell& cell) {
    const float* wanted = std::get_if<float>(&expected.value);
    const float* found = std::get_if<float>(&cell);
    if (wanted && found) return CloseFloats(*wanted, *found, {expected.tolerance, expected.ulps});
    return Shown(expected.value) == Shown(cell);
}

std::string ExpectedText(const Expectation& expected) {
    std::string text = Shown(expected.value);
    if (expected.tolerance) text += " ± " + FormatFloat(*expected.tolerance);
    if (expected.ulps) text += " within " + std::to_string(*expected.ulps) + " ulps";
    return text;
}

ExpectationCheck::ExpectationCheck(const std::vector<Expectation>& expectations,
                                   std::vector<size_t> columns)
    : expectations(expectations), columns(std::move(columns)), failed(expectations.size()) {
    for (size_t i = 0; i < expectations.size(); ++i)
        byFirst.push_back(i);
    std::stable_sort(byFirst.begin(), byFirst.end(), [&](size_t a, size_t b) {
        return expectations[a].first < expectations[b].first;
    });
}

void ExpectationCheck::Row(size_t frame, const std::vector<Cell>& cells) {
    while (next < byFirst.size() && expectations[byFirst[next]].first == frame)
        active.push_back(byFirst[next++]);
    if (active.empty()) return;
    for (const size_t i : active) {
        const Cell& cell = cells[columns[i]];
        if (Meets(expectations[i], cell)) continue;
        if (failed[i]) {
            ++failed[i]->frames;
        } else {
            failed[i] = ExpectFailure{i,           frame,
                                      1,           ExpectedText(expectations[i]),
                                      Shown(cell), FormatCell(cell, OutputFormat::Json)};
        }
    }
    std::erase_if(active, [&](size_t i) { return expectations[i].last == frame; });
}

std::vector<ExpectFailure> ExpectationCheck::Failures() const {
    std::vector<ExpectFailure> failures;
    for (const std::optional<ExpectFailure>& failure : failed) {
        if (failure) failures.push_back(*failure);
    }
    return failures;
}

std::vector<std::string> ExpectationCheck::Lines(const ParsedScene& scene) const {
    std::vector<std::string> lines;
    for (const ExpectFailure& failure : Failures()) {
        const Expectation& expected = expectations[failure.expectation];
        std::string text = expected.where + ": channel " +
                           Quoted(scene.channels[expected.channel].name) + " at frame " +
                           std::to_string(failure.frame) + " is " + failure.found + ", expected " +
                           failure.expected;
        if (failure.frames > 1)
            text += " (and at " + std::to_string(failure.frames - 1) + " more of frames " +
                    std::to_string(expected.first) + ".." + std::to_string(expected.last) + ")";
        lines.push_back(scene.source.Placed({expected.at, text}));
    }
    return lines;
}

}  // namespace quantifier_run
