// Values and text as they are written into the runner's SVG charts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quantifier_run {

// About this many pixels per character at the charts' font size.
inline constexpr double kCharWidth = 6.5;

// A coordinate, to a hundredth of a pixel.
std::string Number(double value);
void AppendNumber(std::string& out, double value);

// Text as XML character data. Characters XML cannot carry, and those a reader must not get
// raw, are written as their JSON escapes, as the other formats write them (DisplaySafe).
std::string Escaped(std::string_view text);

// Characters of UTF-8 text.
size_t Characters(std::string_view text);

// At most `limit` characters of UTF-8 text, with an ellipsis when cut.
std::string Shortened(std::string_view text, size_t limit);

}  // namespace quantifier_run
