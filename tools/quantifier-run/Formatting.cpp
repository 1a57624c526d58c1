#include "Formatting.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace quantifier_run {
namespace {

void AppendEscape(std::string& out, uint32_t unit) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(unit));
    out += buffer;
}

// Escapes what JSON requires (and the double quote as the style asks); the caller has
// handled everything from 0x80 up.
void AppendAscii(std::string& out, uint32_t code, QuoteStyle style) {
    switch (code) {
        case '"':
            if (style == QuoteStyle::Csv) {
                AppendEscape(out, code);
            } else {
                out += "\\\"";
            }
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (code < 0x20) {
        AppendEscape(out, code);
    } else {
        out += static_cast<char>(code);
    }
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
}

// The length of the valid, shortest-form UTF-8 sequence of a scalar value at bytes[i], or 0.
size_t Utf8Length(std::string_view bytes, size_t i, uint32_t& code) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
    const uint8_t lead = byte(i);
    size_t length;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07u, minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string FormatFloat(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string JsonString(std::string_view bytes, QuoteStyle style) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<uint8_t>(bytes[i]);
        if (byte < 0x80) {
            AppendAscii(out, byte, style);
            ++i;
            continue;
        }
        uint32_t code = 0;
        const size_t length = Utf8Length(bytes, i, code);
        if (length == 0) {
            AppendEscape(out, byte);
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out + "\"";
}

std::string JsonString(std::u16string_view units, QuoteStyle style) {
    std::string out = "\"";
    for (size_t i = 0; i < units.size(); ++i) {
        const uint32_t unit = units[i];
        if (unit < 0x80) {
            AppendAscii(out, unit, style);
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() &&
                   units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendEscape(out, unit);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out + "\"";
}

}  // namespace quantifier_run
