#include "scene/JsonDocument.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <optional>
#include <set>
#include <span>

#include "common/Suggestions.h"
#include "engine/RunError.h"
#include "scene/Limits.h"

namespace quantifier_run {
namespace {

// The library gives its description of a syntax error only inside its message, after a header
// of its own kind, number and place ("[json.exception.parse_error.101] parse error at line 1,
// column 2: "). We give the place ourselves, in characters rather than bytes, so the header
// goes; it never holds ": ", which the description may. A message without one is kept whole.
std::string LibraryDescription(const Json::exception& error) {
    const std::string_view what = error.what();
    const size_t header = what.find(": ");
    return std::string(header == std::string_view::npos ? what : what.substr(header + 2));
}

[[noreturn]] void FailAt(std::string_view text, const std::string& fileLabel, size_t offset,
                         const std::string& message) {
    const TextPosition at = PositionOf(text, offset);
    throw RunError(kExitBadInput, fileLabel + ":" + std::to_string(at.line) + ":" +
                                      std::to_string(at.column) + ": " + message);
}

// JSON's white space and the separators that may stand between two tokens.
bool BetweenTokens(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ':';
}

// Hands the text to the library's reader and counts the bytes it has taken, so that each event
// knows where the reader stands: just past its token, or for a number one character further
// when there is one, since a number ends only where something else begins.
class CountingReader {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingReader(const char* at, size_t* taken) : at(at), taken(taken) {}
    reference operator*() const { return *at; }
    CountingReader& operator++() {
        ++at;
        ++*taken;
        return *this;
    }
    bool operator==(const CountingReader& other) const { return at == other.at; }

private:
    const char* at;
    size_t* taken;
};

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

}  // namespace

// Builds the document from the library's events, and checks what the library does not: keys
// given twice, the depth of nesting, numbers beyond the float range. Each value's place is kept
// by its address: a member's never moves once made, and a list's items stop moving once the list
// is closed, so a list's places are kept when it closes.
class JsonDocumentSax : public nlohmann::json_sax<Json> {
public:
    explicit JsonDocumentSax(JsonDocument& document)
        : document(document), text(document.text), fileLabel(document.label) {}

    // Where the reader starts and ends; it counts what it takes into this object.
    CountingReader Reader(size_t offset) { return {text.data() + offset, &taken}; }

    bool null() override { return Add(nullptr); }
    bool boolean(bool value) override { return Add(value); }
    // The reader gives negative integers here and the others to number_unsigned, so a zero
    // here was written -0, which only the float keeps.
    bool number_integer(number_integer_t value) override {
        if (value == 0) return Add(-0.0f);
        return Add(value);
    }
    bool number_unsigned(number_unsigned_t value) override { return Add(value); }
    bool number_float(number_float_t value, const string_t& token) override {
        if (std::optional<Json> whole = WholeNumber(token)) return Add(std::move(*whole));
        return Add(value);
    }
    bool string(string_t& value) override { return Add(std::move(value)); }
    bool binary(binary_t& value) override { return Add(std::move(value)); }
    bool start_object(std::size_t /*size*/) override {
        Open(Json::value_t::object);
        openKeys.emplace_back();
        return true;
    }
    bool key(string_t& value) override {
        const size_t at = TokenStart();
        passed = taken;
        // The library keeps the last of two equal keys; a scene that says a thing twice is
        // more likely a mistake than a wish to override.
        if (!openKeys.back().insert(value).second)
            FailAt(text, fileLabel, at, "key " + Quoted(value) + " given twice");
        member = &(*open.back())[value];
        keyOffset = static_cast<uint32_t>(at);
        return true;
    }
    bool end_object() override {
        openKeys.pop_back();
        return Close();
    }
    bool start_array(std::size_t /*size*/) override {
        Open(Json::value_t::array);
        return true;
    }
    bool end_array() override {
        // The list is whole: its items stay where they are from now on.
        const Json& list = *open.back();
        std::vector<uint32_t>& places = openLists.back();
        if (!places.empty()) KeepRun(&list[0], places, places.front());
        openLists.pop_back();
        return Close();
    }

    // Every error of the reader comes here with the count of characters read, the offending
    // one included, and the token it was reading.
    bool parse_error(std::size_t charactersRead, const std::string& lastToken,
                     const Json::exception& error) override {
        // A number beyond the float range is more likely a slip than a wish for infinity,
        // which a scene writes as "inf". The reader stands just past the number then.
        if (error.id == kNumberOverflow)
            FailAt(text, fileLabel, charactersRead - std::min(lastToken.size(), charactersRead),
                   "the number '" + lastToken +
                       "' is too large for a 32-bit float (write \"inf\" or \"-inf\" for an "
                       "infinity)");
        FailAt(text, fileLabel, charactersRead > 0 ? charactersRead - 1 : 0,
               "JSON syntax error: " + LibraryDescription(error));
    }

    size_t taken = 0;  // bytes the reader has taken

private:
    // The library's number of the error it gives for a number its float cannot hold.
    static constexpr int kNumberOverflow = 406;

    // Where the current event's token begins. The reader stood at or past the end of the
    // previous event's token, and only white space, ',' and ':' separate tokens.
    size_t TokenStart() const {
        size_t at = passed;
        while (at < text.size() && BetweenTokens(text[at]))
            ++at;
        return at;
    }

    // The places of `places.size()` values side by side from `first`, and a member's key.
    void KeepRun(const Json* first, std::span<const uint32_t> places, uint32_t key) {
        const auto index = static_cast<uint32_t>(document.offsets.size());
        document.offsets.insert(document.offsets.end(), places.begin(), places.end());
        document.runs.push_back({first, static_cast<uint32_t>(places.size()), index, key});
    }

    // Places a value: the document itself, the next item of the list being read, or the
    // member whose key came last.
    Json* Place(Json&& value) {
        const auto at = static_cast<uint32_t>(TokenStart());
        passed = taken;
        if (open.empty()) {
            root = std::move(value);
            KeepRun(&root, {&at, 1}, at);
            return &root;
        }
        Json& parent = *open.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            openLists.back().push_back(at);
            return &parent.back();
        }
        *member = std::move(value);
        KeepRun(member, {&at, 1}, keyOffset);
        return member;
    }
    bool Add(Json&& value) {
        Place(std::move(value));
        return true;
    }
    void Open(Json::value_t type) {
        if (open.size() >= kMaxJsonNesting)
            FailAt(text, fileLabel, TokenStart(),
                   "lists and objects nest deeper than " + std::to_string(kMaxJsonNesting) +
                       " levels");
        // A container never moves while it is open: only the innermost one grows.
        open.push_back(Place(Json(type)));
        if (type == Json::value_t::array) openLists.emplace_back();
    }
    bool Close() {
        passed = taken;
        open.pop_back();
        return true;
    }

    JsonDocument& document;
    Json& root = document.root;
    std::string_view text;
    const std::string& fileLabel;
    size_t passed = 0;  // where the reader stood at the last event
    std::vector<Json*> open;
    Json* member = nullptr;
    uint32_t keyOffset = 0;  // the key of `member`
    std::vector<std::set<std::string>> openKeys;
    std::vector<std::vector<uint32_t>> openLists;  // the places of each open list's items
};

namespace {

// Positions are counted from the nearest checkpoint before them.
constexpr size_t kCheckpoint = 256;

void Advance(TextPosition& at, char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n') {
        ++at.line;
        at.column = 1;
    } else if ((byte & 0xC0) != 0x80) {
        ++at.column;
    }
}

bool Before(const Json* a, const Json* b) {
    return reinterpret_cast<uintptr_t>(a) < reinterpret_cast<uintptr_t>(b);
}

}  // namespace

TextPosition PositionOf(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    TextPosition at{1, 1};
    for (size_t i = 0; i < offset; ++i)
        Advance(at, text[i]);
    return at;
}

JsonDocument::JsonDocument(std::string_view text, std::string fileLabel)
    : text(text), label(std::move(fileLabel)) {
    // Places are kept in 32 bits; a scene is refused long before that (kMaxSceneBytes).
    if (text.size() >= std::numeric_limits<uint32_t>::max())
        throw RunError(kExitBadInput, label + ": the file is too large to read");
    // The reader takes a NUL byte for the end of its input and would accept whatever follows;
    // JSON text never holds one (inside a string it would have to be escaped).
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos)
        FailAt(text, label, nul, "JSON syntax error: a NUL byte, which JSON text never holds");
    JsonDocumentSax sax(*this);
    Json::sax_parse(sax.Reader(0), sax.Reader(text.size()), &sax);
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return Before(a.first, b.first); });
    TextPosition at{1, 1};
    for (size_t i = 0; i < text.size(); ++i) {
        if (i % kCheckpoint == 0) checkpoints.push_back(at);
        Advance(at, text[i]);
    }
}

const JsonDocument::Run* JsonDocument::RunOf(const Json& value) const {
    const auto after = std::upper_bound(
        runs.begin(), runs.end(), &value,
        [](const Json* wanted, const Run& run) { return Before(wanted, run.first); });
    if (after == runs.begin()) return nullptr;
    const Run& run = *(after - 1);
    const auto distance =
        reinterpret_cast<uintptr_t>(&value) - reinterpret_cast<uintptr_t>(run.first);
    if (distance % sizeof(Json) != 0 || distance / sizeof(Json) >= run.count) return nullptr;
    return &run;
}

uint32_t JsonDocument::OffsetOf(const Json& value) const {
    const Run* run = RunOf(value);
    // Every value the reader hands out is the document's own; another has no place here.
    if (run == nullptr) return 0;
    const auto index =
        (reinterpret_cast<uintptr_t>(&value) - reinterpret_cast<uintptr_t>(run->first)) /
        sizeof(Json);
    return offsets[run->places + index];
}

TextPosition JsonDocument::PositionAt(size_t offset) const {
    offset = std::min(offset, text.size());
    if (checkpoints.empty()) return {1, 1};
    const size_t from = std::min(offset / kCheckpoint, checkpoints.size() - 1) * kCheckpoint;
    TextPosition at = checkpoints[from / kCheckpoint];
    for (size_t i = from; i < offset; ++i)
        Advance(at, text[i]);
    return at;
}

TextPosition JsonDocument::PositionOf(const Json& value) const {
    return PositionAt(OffsetOf(value));
}

TextPosition JsonDocument::KeyPositionOf(const Json& member) const {
    const Run* run = RunOf(member);
    return PositionAt(run && run->count == 1 ? run->keyOffset : OffsetOf(member));
}

std::string JsonDocument::Place(TextPosition at) const {
    return label + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

std::string JsonDocument::Place(const Json& value) const {
    return Place(PositionOf(value));
}

std::vector<std::pair<const std::string*, const Json*>> JsonDocument::MembersInOrder(
    const Json& object) const {
    std::vector<std::pair<uint32_t, std::pair<const std::string*, const Json*>>> members;
    for (const auto& [key, value] : object.get_ref<const Json::object_t&>()) {
        const Run* run = RunOf(value);
        members.push_back({run ? run->keyOffset : 0, {&key, &value}});
    }
    std::sort(members.begin(), members.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<const std::string*, const Json*>> ordered;
    for (const auto& member : members)
        ordered.push_back(member.second);
    return ordered;
}

}  // namespace quantifier_run
