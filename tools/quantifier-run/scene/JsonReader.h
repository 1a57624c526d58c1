// Typed reading of a parsed JSON document. Every getter either returns a value of the shape
// asked for or throws one line naming the file, the line and column of the value, the place in
// the document ("channel \"a\".frames[2]") and what was expected instead of what was found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Orn_Types.h"
#include "scene/JsonDocument.h"

namespace quantifier_run {

class JsonReader {
public:
    explicit JsonReader(const JsonDocument& document) : document(document) {}

    const JsonDocument& Document() const { return document; }

    // Throws RunError (bad input): "<file>:<line>:<column>: <where>: <message>", at `at`.
    [[noreturn]] void Fail(const Json& at, const std::string& where,
                           const std::string& message) const;
    // The same at the key of the object member `member`.
    [[noreturn]] void FailAtKey(const Json& member, const std::string& where,
                                const std::string& message) const;
    // A warning about `at`, in the same words.
    PlacedMessage Warning(const Json& at, const std::string& where,
                          const std::string& message) const;

    // What a value is, for messages: "the text \"x\"", "a list of 3", ...
    static std::string Describe(const Json& value);

    // The member `key` of an object, or null.
    static const Json* Find(const Json& object, const char* key);
    // Fails on the first key (in the text's order) not in `allowed`, suggesting the nearest
    // allowed one or, when none is near, saying what `taken` gives: which keys the object takes.
    void CheckKeys(const Json& object, const std::string& where,
                   const std::vector<std::string>& allowed,
                   const std::function<std::string()>& taken = {}) const;
    const Json& Require(const Json& object, const char* key, const std::string& where) const;
    const Json& RequireArray(const Json& value, const std::string& where) const;

    // A non-empty text without NUL, as names reach the engine.
    std::string ReadName(const Json& value, const std::string& where) const;
    // A text without NUL, or null.
    std::optional<std::string> ReadOptionalText(const Json& value, const std::string& where) const;
    bool ReadBool(const Json& value, const std::string& where) const;
    int64_t ReadInteger(const Json& value, const std::string& where, int64_t lowest,
                        int64_t highest) const;
    // A number rounded once to float, or "nan", "inf", "-inf".
    float ReadFloat(const Json& value, const std::string& where) const;
    XMFLOAT4 ReadVector(const Json& value, const std::string& where) const;
    XMFLOAT3 ReadPoint(const Json& value, const std::string& where) const;
    XMMATRIX ReadMatrix(const Json& value, const std::string& where) const;

private:
    template <size_t N>
    void ReadFloats(const Json& value, const std::string& where, float (&out)[N],
                    const char* shape) const;

    const JsonDocument& document;
};

// "a, b and c": the names of a list as a sentence names them.
std::string ListedNames(const std::vector<std::string>& names);

}  // namespace quantifier_run
