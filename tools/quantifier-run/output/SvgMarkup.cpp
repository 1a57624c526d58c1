#include "output/SvgMarkup.h"

#include <algorithm>
#include <charconv>

#include "output/Formatting.h"

namespace quantifier_run {

void AppendNumber(std::string& out, double value) {
    // Written as printf's "%.2f" writes it, without its cost: a picture of 100,000 channels has
    // millions of coordinates. Room for the largest double's 309 digits.
    char buffer[320];
    const std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    out.append(buffer, written.ptr);
}

std::string Number(double value) {
    std::string out;
    AppendNumber(out, value);
    return out;
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : DisplaySafe(text)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

size_t Characters(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Shortened(std::string_view text, size_t limit) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters++ == limit) return std::string(text.substr(0, i)) + "\u2026";
    }
    return std::string(text);
}

}  // namespace quantifier_run
