// Names and texts in the runner's messages: kept to one line, and "Did you mean ...?" with the
// known names nearest to a misspelt one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/Quoting.h"

namespace quantifier_run {

// `text` with its control characters escaped as Quoted escapes them, and nothing else changed:
// a message holding a path or a name with a line break still takes one line.
std::string OneLine(std::string_view text);

// Up to three of `candidates` closest to `name` by edit distance (letter case ignored), the
// closest first; only those close enough to be a plausible misspelling.
std::vector<std::string> NearestNames(std::string_view name,
                                      const std::vector<std::string>& candidates);

// " (did you mean "A" or "B"?)", or "" when nothing is near; the names are Quoted.
std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates);
// The same for names already chosen.
std::string DidYouMean(const std::vector<std::string>& names);

}  // namespace quantifier_run
