// A run's values held against what its scene expects ("expect"), a frame at a time as the rows
// come, so that a long run with a few expectations costs a comparison or two per frame.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/Cell.h"
#include "scene/SceneParser.h"

namespace quantifier_run {

// An expectation that a run did not meet: at its first frame that differs, and how many of its
// frames differ. Values as the rows print them.
struct ExpectFailure {
    size_t expectation = 0;
    size_t frame = 0;
    size_t frames = 1;
    std::string expected;
    std::string found;
    std::string foundJson;  // as a scene writes it
};

// Whether `cell` is what `expected` expects: within its tolerance, or printed as its value prints.
bool Meets(const Expectation& expected, const Cell& cell);
// The value expected as messages show it: "0.5", "0.5 ± 0.01", "0.5 within 4 ulps".
std::string ExpectedText(const Expectation& expected);

class ExpectationCheck {
public:
    // `columns`: for each expectation, the column of the row that holds its channel.
    ExpectationCheck(const std::vector<Expectation>& expectations, std::vector<size_t> columns);

    // Frame `frame`'s row; frames come in order from 0.
    void Row(size_t frame, const std::vector<Cell>& cells);

    // In the order of the expectations.
    std::vector<ExpectFailure> Failures() const;

    // One line per failure: "<file>:<line>:<column>: expect[2]: channel "door" at frame 12 is 0,
    // expected 1".
    std::vector<std::string> Lines(const ParsedScene& scene) const;

private:
    const std::vector<Expectation>& expectations;
    std::vector<size_t> columns;
    std::vector<size_t> byFirst;  // expectations by their first frame
    size_t next = 0;              // in byFirst: the next to begin
    std::vector<size_t> active;   // those whose frames the run is in
    std::vector<std::optional<ExpectFailure>> failed;
};

}  // namespace quantifier_run
