#include "engine/Quoting.h"

#include <cstdio>

namespace quantifier_run {

void AppendEscapedControl(std::string& text, char c) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\t':
            text += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04X", byte);
                text += escape;
            } else {
                text += c;
            }
    }
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += "\\\"";
        } else if (c == '\\') {
            quoted += "\\\\";
        } else {
            AppendEscapedControl(quoted, c);
        }
    }
    return quoted + "\"";
}

}  // namespace quantifier_run
