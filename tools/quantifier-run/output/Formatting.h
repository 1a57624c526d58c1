// How values are written in the runner's output: numbers that read back to the same float,
// and texts as JSON strings.
#pragma once

#include <string>
#include <string_view>

namespace quantifier_run {

// The shortest text that reads back to the same 32-bit float; "nan", "inf", "-inf" and "-0"
// for the values a plain number cannot show.
std::string FormatFloat(float value);

// How a JSON string is written: in CSV a double quote inside it would end the cell, so it is
// written as \u0022 there; the string reads the same either way.
enum class QuoteStyle { Json, Csv };

// A narrow text as a JSON string. Its bytes are taken as UTF-8; a byte that starts no valid
// UTF-8 sequence is written as \u00XX (its value as a code point).
std::string JsonString(std::string_view bytes, QuoteStyle style = QuoteStyle::Json);
// A wide text as a JSON string; a lone surrogate unit is written as its \uXXXX escape.
std::string JsonString(std::u16string_view units, QuoteStyle style = QuoteStyle::Json);

// Text as a terminal or a picture may show it: control characters (C0, DEL and C1, which
// terminals take as the start of escape sequences), the bidirectional embedding, override and
// isolate controls (which make text display in another order than it is stored), U+FFFE and
// U+FFFF (which XML cannot carry) and bytes that are not UTF-8 are written as \uXXXX, the way
// texts already write them. Everything else is kept as it is.
std::string DisplaySafe(std::string_view text);

// A message as the error stream shows it: one line, whatever a path or a name in it holds, with
// nothing a terminal would take as a control.
std::string MessageLine(std::string_view message);

}  // namespace quantifier_run
