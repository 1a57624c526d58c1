#include "JsonDocument.h"

#include <algorithm>
#include <set>

#include "RunError.h"
#include "Suggestions.h"

namespace quantifier_run {
namespace {

// Where the string and number tokens of a well-formed document start, in document order.
// The parser's events arrive in the same order, which lets them be placed in the text and
// lets an integer token be told from its value (-0 and 0 read as the same integer).
struct TokenMap {
    std::vector<size_t> strings;  // keys and string values
    struct Number {
        size_t offset;
        bool negativeZero;  // the integer token -0
    };
    std::vector<Number> numbers;
};

TokenMap MapTokens(std::string_view text) {
    TokenMap map;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            map.strings.push_back(i);
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
            }
            ++i;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const size_t start = i;
            bool integer = true;
            for (; i < text.size(); ++i) {
                const char d = text[i];
                if (d == '.' || d == 'e' || d == 'E') {
                    integer = false;
                } else if (!((d >= '0' && d <= '9') || d == '-' || d == '+')) {
                    break;
                }
            }
            map.numbers.push_back({start, integer && text.substr(start, i - start) == "-0"});
        } else {
            ++i;
        }
    }
    return map;
}

// The library's message without its own prefix and position, which we give ourselves.
std::string SyntaxMessage(const std::string& what) {
    const size_t column = what.find(", column ");
    if (column != std::string::npos) {
        const size_t colon = what.find(": ", column);
        if (colon != std::string::npos) return what.substr(colon + 2);
    }
    const size_t bracket = what.find("] ");
    return bracket == std::string::npos ? what : what.substr(bracket + 2);
}

[[noreturn]] void FailAt(std::string_view text, const std::string& fileLabel, size_t offset,
                         const std::string& message) {
    const TextPosition at = PositionOf(text, offset);
    throw RunError(kExitBadInput, fileLabel + ":" + std::to_string(at.line) + ":" +
                                      std::to_string(at.column) + ": " + message);
}

// Builds the document as the library's own builder does, and checks what it cannot.
class SceneSax : public nlohmann::detail::json_sax_dom_parser<Json> {
public:
    using Base = nlohmann::detail::json_sax_dom_parser<Json>;

    SceneSax(Json& root, std::string_view text, const std::string& fileLabel)
        : Base(root, true), text(text), fileLabel(fileLabel), tokens(MapTokens(text)) {}

    bool number_integer(Json::number_integer_t value) {
        if (NextNumber()) return Base::number_float(-0.0f, "-0");
        return Base::number_integer(value);
    }
    bool number_unsigned(Json::number_unsigned_t value) {
        NextNumber();
        return Base::number_unsigned(value);
    }
    bool number_float(Json::number_float_t value, const Json::string_t& text) {
        NextNumber();
        return Base::number_float(value, text);
    }
    bool string(Json::string_t& value) {
        ++stringIndex;
        return Base::string(value);
    }
    bool start_object(std::size_t size) {
        openKeys.emplace_back();
        return Base::start_object(size);
    }
    bool end_object() {
        openKeys.pop_back();
        return Base::end_object();
    }
    bool key(Json::string_t& value) {
        const size_t at =
            stringIndex < tokens.strings.size() ? tokens.strings[stringIndex] : text.size();
        ++stringIndex;
        // The library keeps the last of two equal keys; a scene that says a thing twice is
        // more likely a mistake than a wish to override.
        if (!openKeys.back().insert(value).second)
            FailAt(text, fileLabel, at, "key " + Quoted(value) + " given twice");
        return Base::key(value);
    }

    // Every error of the reader comes here with the count of characters read, the offending
    // one included.
    template <class Exception>
    bool parse_error(std::size_t charactersRead, const std::string& /*lastToken*/,
                     const Exception& error) {
        const size_t offset = charactersRead > 0 ? charactersRead - 1 : 0;
        const std::string what = error.what();
        // A number beyond the float range is more likely a slip than a wish for infinity,
        // which a scene writes as "inf".
        if (what.find("number overflow") != std::string::npos) {
            // The number that failed is the one after the last one read; point at its start.
            const size_t start =
                numberIndex < tokens.numbers.size() ? tokens.numbers[numberIndex].offset : offset;
            const size_t quote = what.find('\'');
            const std::string number = quote == std::string::npos ? "" : " " + what.substr(quote);
            FailAt(
                text, fileLabel, start,
                "the number" + number +
                    " is too large for a 32-bit float (write \"inf\" or \"-inf\" for an infinity)");
        }
        FailAt(text, fileLabel, offset, "JSON syntax error: " + SyntaxMessage(what));
    }

private:
    // Moves past the next number token; true when it is the integer -0.
    bool NextNumber() {
        const bool negativeZero =
            numberIndex < tokens.numbers.size() && tokens.numbers[numberIndex].negativeZero;
        ++numberIndex;
        return negativeZero;
    }

    std::string_view text;
    const std::string& fileLabel;
    TokenMap tokens;
    size_t stringIndex = 0;
    size_t numberIndex = 0;
    std::vector<std::set<std::string>> openKeys;
};

}  // namespace

TextPosition PositionOf(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    TextPosition at{1, 1};
    for (size_t i = 0; i < offset; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            ++at.line;
            at.column = 1;
        } else if ((byte & 0xC0) != 0x80) {
            ++at.column;
        }
    }
    return at;
}

Json ParseJson(std::string_view text, const std::string& fileLabel) {
    // The reader takes a NUL byte for the end of its input and would accept whatever follows;
    // JSON text never holds one (inside a string it would have to be escaped).
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos)
        FailAt(text, fileLabel, nul, "JSON syntax error: a NUL byte, which JSON text never holds");
    Json root;
    SceneSax sax(root, text, fileLabel);
    try {
        Json::sax_parse(text.begin(), text.end(), &sax);
    } catch (const Json::parse_error& error) {
        // `byte` counts the characters read, the offending one included.
        const size_t offset = error.byte > 0 ? error.byte - 1 : 0;
        FailAt(text, fileLabel, offset, "JSON syntax error: " + SyntaxMessage(error.what()));
    }
    return root;
}

}  // namespace quantifier_run
