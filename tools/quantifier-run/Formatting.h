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

}  // namespace quantifier_run
