#include "output/Formatting.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "TextCodec.h"
#include "common/Suggestions.h"

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

bool ShownEscaped(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069) || code == 0xFFFE || code == 0xFFFF;
}

}  // namespace

std::string DisplaySafe(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const codec::Scalar scalar = codec::DecodeUtf8(text, i);
        if (scalar.length == 0) {
            AppendEscape(out, static_cast<uint8_t>(text[i]));
            ++i;
            continue;
        }
        if (ShownEscaped(scalar.code)) {
            AppendEscape(out, scalar.code);
        } else {
            out.append(text.substr(i, scalar.length));
        }
        i += scalar.length;
    }
    return out;
}

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
        const size_t length = codec::DecodeUtf8(bytes, i).length;
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
    for (size_t i = 0; i < units.size();) {
        const uint32_t unit = units[i];
        const codec::Scalar scalar = codec::DecodeUtf16(units, i);
        if (unit < 0x80) {
            AppendAscii(out, unit, style);
        } else if (scalar.length == 0) {
            AppendEscape(out, unit);
        } else {
            codec::AppendUtf8(out, scalar.code);
        }
        i += scalar.length == 0 ? 1 : scalar.length;
    }
    return out + "\"";
}

std::string MessageLine(std::string_view message) {
    return DisplaySafe(OneLine(message));
}

}  // namespace quantifier_run
