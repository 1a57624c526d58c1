// Typed reading of a parsed JSON document. Every getter either returns a value of the shape
// asked for or throws one line naming the file, the place in the document ("channel \"a\"
// .frames[2]") and what was expected instead of what was found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Orn_Types.h"
#include "scene/JsonDocument.h"

namespace quantifier_run {

class JsonReader {
public:
    explicit JsonReader(std::string fileLabel) : fileLabel(std::move(fileLabel)) {}

    // Throws RunError (bad input): "<file>: <where>: <message>".
    [[noreturn]] void Fail(const std::string& where, const std::string& message) const;
    // A warning in the same form.
    std::string Warning(const std::string& where, const std::string& message) const {
        return fileLabel + ": " + where + ": " + message;
    }

    // What a value is, for messages: "the text \"x\"", "a list of 3", ...
    static std::string Describe(const Json& value);

    // The member `key` of an object, or null.
    static const Json* Find(const Json& object, const char* key);
    // Fails on the first key not in `allowed`, suggesting the nearest allowed one.
    void CheckKeys(const Json& object, const std::string& where,
                   const std::vector<std::string>& allowed) const;
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

    std::string fileLabel;
};

}  // namespace quantifier_run
