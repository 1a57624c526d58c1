#include "scene/JsonReader.h"

#include <algorithm>
#include <limits>

#include "common/Suggestions.h"
#include "engine/RunError.h"

namespace quantifier_run {

namespace {

std::string Said(const std::string& where, const std::string& message) {
    return (where.empty() ? "" : where + ": ") + message;
}

}  // namespace

void JsonReader::Fail(const Json& at, const std::string& where, const std::string& message) const {
    throw RunError(kExitBadInput, document.Place(at) + ": " + Said(where, message));
}

void JsonReader::FailAtKey(const Json& member, const std::string& where,
                           const std::string& message) const {
    throw RunError(kExitBadInput,
                   document.Place(document.KeyPositionOf(member)) + ": " + Said(where, message));
}

PlacedMessage JsonReader::Warning(const Json& at, const std::string& where,
                                  const std::string& message) const {
    return {document.PositionOf(at), Said(where, message)};
}

std::string ListedNames(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

std::string JsonReader::Describe(const Json& value) {
    if (value.is_string()) return "the text " + Quoted(value.get<std::string>());
    if (value.is_number()) return "the number " + value.dump();
    if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
    if (value.is_null()) return "null";
    if (value.is_array()) return "a list of " + std::to_string(value.size());
    return "an object";
}

const Json* JsonReader::Find(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

void JsonReader::CheckKeys(const Json& object, const std::string& where,
                           const std::vector<std::string>& allowed,
                           const std::function<std::string()>& taken) const {
    for (const auto& [key, value] : document.MembersInOrder(object)) {
        if (std::find(allowed.begin(), allowed.end(), *key) != allowed.end()) continue;
        const std::string near = DidYouMean(*key, allowed);
        FailAtKey(*value, where,
                  "unknown key " + Quoted(*key) + (near.empty() && taken ? "; " + taken() : near));
    }
}

const Json& JsonReader::Require(const Json& object, const char* key,
                                const std::string& where) const {
    const Json* value = Find(object, key);
    if (value == nullptr) {
        // A misspelt key is the likelier mistake, and the one the user can act on.
        for (const auto& [name, member] : document.MembersInOrder(object)) {
            if (!NearestNames(*name, {key}).empty())
                FailAtKey(*member, where,
                          "unknown key " + Quoted(*name) + DidYouMean(*name, {key}));
        }
        Fail(object, where, std::string("\"") + key + "\" is missing");
    }
    return *value;
}

const Json& JsonReader::RequireArray(const Json& value, const std::string& where) const {
    if (!value.is_array()) Fail(value, where, "expected a list, got " + Describe(value));
    return value;
}

std::string JsonReader::ReadName(const Json& value, const std::string& where) const {
    if (!value.is_string()) Fail(value, where, "expected a name, got " + Describe(value));
    std::string name = value.get<std::string>();
    // Names reach the engine as NUL-terminated text.
    if (name.empty() || name.find('\0') != std::string::npos)
        Fail(value, where, "a name is a non-empty text without NUL");
    return name;
}

std::optional<std::string> JsonReader::ReadOptionalText(const Json& value,
                                                        const std::string& where) const {
    if (value.is_null()) return std::nullopt;
    if (!value.is_string()) Fail(value, where, "expected a text or null, got " + Describe(value));
    std::string text = value.get<std::string>();
    if (text.find('\0') != std::string::npos) Fail(value, where, "a path holds no NUL");
    return text;
}

bool JsonReader::ReadBool(const Json& value, const std::string& where) const {
    if (!value.is_boolean()) Fail(value, where, "expected true or false, got " + Describe(value));
    return value.get<bool>();
}

int64_t JsonReader::ReadInteger(const Json& value, const std::string& where, int64_t lowest,
                                int64_t highest) const {
    const std::string range = std::to_string(lowest) + ".." + std::to_string(highest);
    // The document keeps -0 as a float, for its sign; as a whole number it is 0.
    if (value.is_number_float() && value.get<float>() == 0 && lowest <= 0 && highest >= 0) return 0;
    if (!value.is_number_integer())
        Fail(value, where, "expected a whole number in " + range + ", got " + Describe(value));
    if (value.is_number_unsigned()) {
        const uint64_t n = value.get<uint64_t>();
        if (n > static_cast<uint64_t>(highest))
            Fail(value, where, value.dump() + " is outside " + range);
        return static_cast<int64_t>(n);
    }
    const int64_t n = value.get<int64_t>();
    if (n < lowest || n > highest) Fail(value, where, value.dump() + " is outside " + range);
    return n;
}

float JsonReader::ReadFloat(const Json& value, const std::string& where) const {
    if (value.is_number_float()) return value.get<float>();
    // One rounding from the integer to the nearest float.
    if (value.is_number_unsigned()) return static_cast<float>(value.get<uint64_t>());
    if (value.is_number_integer()) return static_cast<float>(value.get<int64_t>());
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        if (text == "nan") return std::numeric_limits<float>::quiet_NaN();
        if (text == "inf") return std::numeric_limits<float>::infinity();
        if (text == "-inf") return -std::numeric_limits<float>::infinity();
    }
    Fail(value, where, "expected a number, \"nan\", \"inf\" or \"-inf\", got " + Describe(value));
}

template <size_t N>
void JsonReader::ReadFloats(const Json& value, const std::string& where, float (&out)[N],
                            const char* shape) const {
    if (!value.is_array() || value.size() != N)
        Fail(value, where, std::string("expected ") + shape + ", got " + Describe(value));
    for (size_t i = 0; i < N; ++i)
        out[i] = ReadFloat(value[i], where + "[" + std::to_string(i) + "]");
}

XMFLOAT4 JsonReader::ReadVector(const Json& value, const std::string& where) const {
    float v[4];
    ReadFloats(value, where, v, "a vector of 4 numbers [x, y, z, w]");
    return {v[0], v[1], v[2], v[3]};
}

XMFLOAT3 JsonReader::ReadPoint(const Json& value, const std::string& where) const {
    float v[3];
    ReadFloats(value, where, v, "a point of 3 numbers [x, y, z]");
    return {v[0], v[1], v[2]};
}

XMMATRIX JsonReader::ReadMatrix(const Json& value, const std::string& where) const {
    if (!value.is_array() || value.size() != 4)
        Fail(value, where, "expected a matrix of 4 rows of 4 numbers, got " + Describe(value));
    XMMATRIX m{};
    for (size_t row = 0; row < 4; ++row) {
        const std::string at = where + "[" + std::to_string(row) + "]";
        ReadFloats(value[row], at, m.m[row], "a row of 4 numbers");
    }
    return m;
}

}  // namespace quantifier_run
