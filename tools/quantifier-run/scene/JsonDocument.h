// Reading a JSON document for the runner: numbers as 32-bit floats, every syntax error and
// every duplicate key reported with its file, line and column.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace quantifier_run {

// Non-integer numbers are read straight into 32-bit floats (correctly rounded from their
// text, never through a double, which could round twice).
using Json = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                  std::uint64_t, float>;

// Parses `text`; `fileLabel` names it in messages. Throws RunError (bad input) on a syntax
// error, a key given twice in one object, or lists and objects nested deeper than
// kMaxJsonNesting. A number written with a fraction or an exponent whose value is a whole
// number (5.0, 1e1) is that integer; any token of negative zero (-0, -0.0) is the float -0.
Json ParseJson(std::string_view text, const std::string& fileLabel);

struct TextPosition {
    size_t line;    // from 1
    size_t column;  // from 1, in characters (UTF-8 sequences count once)
};
// Where byte `offset` (from 0) of `text` lies; an offset past the end is the end.
TextPosition PositionOf(std::string_view text, size_t offset);

}  // namespace quantifier_run
