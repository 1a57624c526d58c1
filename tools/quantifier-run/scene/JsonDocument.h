// Reading a JSON document for the runner: numbers as 32-bit floats, every syntax error and
// every duplicate key reported with its file, line and column, and the place of every value kept
// for the messages about what the values mean.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace quantifier_run {

// Non-integer numbers are read straight into 32-bit floats (correctly rounded from their
// text, never through a double, which could round twice).
using Json = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                  std::uint64_t, float>;

struct TextPosition {
    size_t line;    // from 1
    size_t column;  // from 1, in characters (UTF-8 sequences count once)
};
// Where byte `offset` (from 0) of `text` lies; an offset past the end is the end.
TextPosition PositionOf(std::string_view text, size_t offset);

// A message about a value of a document, kept with the value's place so that messages can be told
// in the order of the text.
struct PlacedMessage {
    TextPosition at;
    std::string text;  // without the place
};

// A parsed document that knows where each of its values stands in the text, so that a message
// about a value can name its line and column as a syntax error does. The text must outlive the
// document; the document never moves, since it finds its values by their address.
class JsonDocument {
public:
    // Parses `text`; `fileLabel` names it in messages. Throws RunError (bad input) on a syntax
    // error, a key given twice in one object, or lists and objects nested deeper than
    // kMaxJsonNesting. A number written with a fraction or an exponent whose value is a whole
    // number (5.0, 1e1) is that integer; any token of negative zero (-0, -0.0) is the float -0.
    JsonDocument(std::string_view text, std::string fileLabel);
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;

    const Json& Root() const { return root; }
    const std::string& Label() const { return label; }

    // Where `value`, one of this document's values, begins: its first character.
    TextPosition PositionOf(const Json& value) const;
    // Where the key of the object member `member` begins (the value's own place for a value
    // that is no member).
    TextPosition KeyPositionOf(const Json& member) const;
    // "<file>:<line>:<column>", the place of `value`.
    std::string Place(const Json& value) const;
    std::string Place(TextPosition at) const;

    // The members of `object` in the order the text gives them; the document keeps them by name.
    std::vector<std::pair<const std::string*, const Json*>> MembersInOrder(
        const Json& object) const;

private:
    // Values whose places are kept together: the items of a list, side by side in its storage,
    // or one member of an object (with its key's place) or the document itself.
    struct Run {
        const Json* first;
        uint32_t count;
        uint32_t places;     // index of the first's place in `offsets`
        uint32_t keyOffset;  // a member's key
    };
    const Run* RunOf(const Json& value) const;
    uint32_t OffsetOf(const Json& value) const;
    TextPosition PositionAt(size_t offset) const;

    friend class JsonDocumentSax;

    std::string_view text;
    std::string label;
    Json root;
    std::vector<Run> runs;          // by address of their first value
    std::vector<uint32_t> offsets;  // each value's first byte
    // The position every kCheckpoint bytes, so that a place costs a bounded scan.
    std::vector<TextPosition> checkpoints;
};

}  // namespace quantifier_run
