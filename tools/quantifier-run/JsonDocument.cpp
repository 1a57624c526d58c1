#include "JsonDocument.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <set>

#include "Limits.h"
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

// Byte offset of the `index`-th (from 0) opening bracket or brace outside a string.
size_t OpeningAt(std::string_view text, size_t index) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
            }
        } else if ((text[i] == '[' || text[i] == '{') && index-- == 0) {
            return i;
        }
    }
    return text.size();
}

// The value of a number token written with a fraction or an exponent, when it is a whole
// number a 64-bit integer holds: JSON tools take 5.0 and 1e1 for the integers they equal.
// Negative zero is left to the float, where its sign shows.
std::optional<Json> WholeNumber(std::string_view token) {
    const bool negative = !token.empty() && token[0] == '-';
    std::string digits;
    int64_t exponent = 0;
    size_t i = negative ? 1 : 0;
    bool fraction = false;
    for (; i < token.size() && token[i] != 'e' && token[i] != 'E'; ++i) {
        if (token[i] == '.') {
            fraction = true;
        } else {
            digits += token[i];
            if (fraction) --exponent;
        }
    }
    if (i < token.size()) {
        // An exponent beyond what a 64-bit integer can shift is no whole number we hold.
        const std::string_view written = token.substr(i + 1);
        const bool down = !written.empty() && written[0] == '-';
        const size_t from = !written.empty() && (written[0] == '-' || written[0] == '+') ? 1 : 0;
        int64_t value = 0;
        for (size_t k = from; k < written.size(); ++k) {
            if (value > 100000) return std::nullopt;
            value = value * 10 + (written[k] - '0');
        }
        exponent += down ? -value : value;
    }
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (digits.empty()) {
        if (negative) return std::nullopt;
        return Json(Json::number_unsigned_t{0});
    }
    if (exponent < 0 || static_cast<int64_t>(digits.size()) + exponent > 20) return std::nullopt;
    digits.append(static_cast<size_t>(exponent), '0');
    uint64_t value = 0;
    for (char d : digits) {
        const auto digit = static_cast<uint64_t>(d - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (!negative) return Json(Json::number_unsigned_t{value});
    if (value > uint64_t{1} << 63) return std::nullopt;
    return Json(static_cast<Json::number_integer_t>(0 - value));
}

// Builds the document through the library's public event interface, and checks what the
// library does not: keys given twice, the depth of nesting, numbers beyond the float range.
class SceneSax : public nlohmann::json_sax<Json> {
public:
    SceneSax(Json& root, std::string_view text, const std::string& fileLabel)
        : root(root), text(text), fileLabel(fileLabel), tokens(MapTokens(text)) {}

    bool null() override { return Add(nullptr); }
    bool boolean(bool value) override { return Add(value); }
    bool number_integer(number_integer_t value) override {
        if (NextNumber()) return Add(-0.0f);
        return Add(value);
    }
    bool number_unsigned(number_unsigned_t value) override {
        NextNumber();
        return Add(value);
    }
    bool number_float(number_float_t value, const string_t& token) override {
        NextNumber();
        if (std::optional<Json> whole = WholeNumber(token)) return Add(std::move(*whole));
        return Add(value);
    }
    bool string(string_t& value) override {
        ++stringIndex;
        return Add(std::move(value));
    }
    bool binary(binary_t& value) override { return Add(std::move(value)); }
    bool start_object(std::size_t /*size*/) override {
        Open(Json::value_t::object);
        openKeys.emplace_back();
        return true;
    }
    bool key(string_t& value) override {
        const size_t at =
            stringIndex < tokens.strings.size() ? tokens.strings[stringIndex] : text.size();
        ++stringIndex;
        // The library keeps the last of two equal keys; a scene that says a thing twice is
        // more likely a mistake than a wish to override.
        if (!openKeys.back().insert(value).second)
            FailAt(text, fileLabel, at, "key " + Quoted(value) + " given twice");
        member = &(*open.back())[value];
        return true;
    }
    bool end_object() override {
        openKeys.pop_back();
        open.pop_back();
        return true;
    }
    bool start_array(std::size_t /*size*/) override {
        Open(Json::value_t::array);
        return true;
    }
    bool end_array() override {
        open.pop_back();
        return true;
    }

    // Every error of the reader comes here with the count of characters read, the offending
    // one included.
    bool parse_error(std::size_t charactersRead, const std::string& /*lastToken*/,
                     const Json::exception& error) override {
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
    // Places a value: the document itself, the next item of the list being read, or the
    // member whose key came last.
    Json* Place(Json&& value) {
        if (open.empty()) {
            root = std::move(value);
            return &root;
        }
        Json& parent = *open.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        *member = std::move(value);
        return member;
    }
    bool Add(Json&& value) {
        Place(std::move(value));
        return true;
    }
    void Open(Json::value_t type) {
        if (open.size() >= kMaxJsonNesting)
            FailAt(text, fileLabel, OpeningAt(text, openings),
                   "lists and objects nest deeper than " + std::to_string(kMaxJsonNesting) +
                       " levels");
        ++openings;
        // A container never moves while it is open: only the innermost one grows.
        open.push_back(Place(Json(type)));
    }

    // Moves past the next number token; true when it is the integer -0.
    bool NextNumber() {
        const bool negativeZero =
            numberIndex < tokens.numbers.size() && tokens.numbers[numberIndex].negativeZero;
        ++numberIndex;
        return negativeZero;
    }

    Json& root;
    std::string_view text;
    const std::string& fileLabel;
    TokenMap tokens;
    size_t stringIndex = 0;
    size_t numberIndex = 0;
    size_t openings = 0;  // lists and objects begun so far
    std::vector<Json*> open;
    Json* member = nullptr;
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
