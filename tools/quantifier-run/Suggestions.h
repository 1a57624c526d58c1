// "Did you mean ...?": the known names nearest to a misspelt one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quantifier_run {

// Up to three of `candidates` closest to `name` by edit distance (letter case ignored), the
// closest first; only those close enough to be a plausible misspelling.
std::vector<std::string> NearestNames(std::string_view name,
                                      const std::vector<std::string>& candidates);

// " (did you mean "A" or "B"?)", or "" when nothing is near.
std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace quantifier_run
