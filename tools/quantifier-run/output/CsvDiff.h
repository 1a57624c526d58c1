// Two runs' rows, as the runner writes them in csv, compared column by column: what --diff
// reports and what a golden file is held to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quantifier_run {

// The runner's own csv: a header "frame,<names>", then one line per frame from 0. Throws
// RunError (bad input) at "<label>:<line>:<column>" for text of another shape.
struct CsvRows {
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;  // the cells after the frame number
};
CsvRows ReadCsvRows(std::string_view text, const std::string& label);
// The same from the file at `path`; a file that cannot be read is bad input too.
CsvRows ReadCsvFile(const std::string& path);

// How far apart two numbers may be and still count as the same: absolute, or in units in the
// last place of a 32-bit float. Neither: the cells must read the same.
struct Closeness {
    std::optional<float> tolerance;
    std::optional<uint32_t> ulps;
};

// Whether two floats are the same within `closeness`: NaN matches NaN, and with neither bound
// they must have the same bits.
bool CloseFloats(float before, float after, const Closeness& closeness);

// One column that differs: its first differing frame and both cells there, how many frames
// differ and the largest difference between numbers in them (absent: texts, or numbers that
// are not finite).
struct ColumnDiff {
    std::string name;
    size_t firstFrame = 0;
    std::string before, after;
    size_t frames = 0;
    std::optional<double> largest;
};

struct RowsDiff {
    std::vector<ColumnDiff> columns;      // in the new run's order
    std::vector<std::string> onlyBefore;  // columns the new run lacks
    std::vector<std::string> onlyAfter;   // columns the old run lacks
    size_t framesBefore = 0, framesAfter = 0;

    bool Same() const {
        return columns.empty() && onlyBefore.empty() && onlyAfter.empty() &&
               framesBefore == framesAfter;
    }
};

// Columns are matched by name, a repeated name by its repeat.
RowsDiff DiffRows(const CsvRows& before, const CsvRows& after, const Closeness& closeness);

// Whether two cells are the same within `closeness`: numbers (a vector's or a matrix's, apart
// by spaces) each within it, anything else the same text.
bool SameCell(std::string_view before, std::string_view after, const Closeness& closeness);

// The report: a line per column that differs ("door: from frame 3, 5 frames differ, by at most
// 1 (0 before, 1 now)"), and a line for each column or frame count that is not in both.
std::vector<std::string> DiffLines(const RowsDiff& diff);

}  // namespace quantifier_run
