// How many terminal columns a character takes, for aligning text in columns.
#pragma once

#include <cstddef>
#include <string_view>

namespace quantifier_run {

// Columns a character takes on a terminal: 2 for East Asian wide and full-width characters
// and emoji, 0 for combining marks and other zero-width characters, 1 otherwise.
size_t CharacterWidth(char32_t code);

// The columns of UTF-8 text; a byte that starts no UTF-8 sequence counts one.
size_t DisplayWidth(std::string_view text);

}  // namespace quantifier_run
