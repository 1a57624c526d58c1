#include "EngineWire.h"

#include <concepts>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <variant>

#include "RunError.h"

namespace quantifier_run::wire {
namespace {

constexpr char kMagic[4] = {'Q', 'R', 'E', '1'};
// A message's tag and the length of what follows.
constexpr size_t kHeaderBytes = 1 + sizeof(uint64_t);

[[noreturn]] void Damaged() {
    throw RunError(kExitFailure,
                   "the engine process and the runner do not speak the same data "
                   "(a damaged message, or programs of different versions)");
}

// The members of each structure that travels, in one list for both directions.
template <class T, class Want>
concept Is = std::same_as<std::remove_const_t<T>, Want>;

template <Is<TextValue> T>
auto Members(T& t) {
    return std::tie(t.kind, t.bytes, t.units);
}
template <Is<TextCell> T>
auto Members(T& t) {
    return std::tie(t.kind, t.bytes, t.units);
}
template <Is<Timeline> T>
auto Members(T& t) {
    return std::tie(t.values, t.perFrame);
}
template <Is<ChannelSpec> T>
auto Members(T& c) {
    return std::tie(c.name, c.kind, c.value, c.operation, c.children, c.storeCurrentValue,
                    c.updateChannelname, c.regionMin, c.regionMax, c.innerObject, c.group,
                    c.internalChildren, c.interfaceType, c.publicCall, c.registeredName);
}
template <Is<CameraSpec> T>
auto Members(T& c) {
    return std::tie(c.view, c.fovDegrees, c.aspect, c.nearDistance, c.farDistance);
}
template <Is<GroupSpec> T>
auto Members(T& g) {
    return std::tie(g.name, g.path, g.window);
}
template <Is<ActionSpec> T>
auto Members(T& a) {
    return std::tie(a.frame, a.channel, a.kind, a.number, a.flag);
}
template <Is<Scene> T>
auto Members(T& s) {
    return std::tie(s.frames, s.camera, s.timer, s.windows, s.mainWindow, s.groups, s.channels,
                    s.actions, s.outputs, s.warnings);
}
template <Is<EngineRequest> T>
auto Members(T& r) {
    return std::tie(r.scene, r.frames, r.pluginPath, r.stream, r.streamPath, r.save);
}

template <class T>
concept Structure = requires(T& t) {
    Members(t);
};

// Values copied as their bytes: numbers, and the engine's plain vector and matrix types.
template <class T>
concept Plain = std::is_trivially_copyable_v<T> && !Structure<T> && !std::is_enum_v<T> &&
                !std::is_same_v<T, size_t> && !std::is_same_v<T, bool>;

class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out(out) {}

    template <Plain T>
    void Put(const T& value) {
        Raw(&value, sizeof(T));
    }
    void Put(bool value) { Put(uint8_t{value}); }
    // Sizes and indices are 64 bits on the wire whatever the build's size_t.
    void Put(size_t value) {
        const uint64_t wide = value;
        Raw(&wide, sizeof wide);
    }
    template <class T>
    requires std::is_enum_v<T>
    void Put(T value) { Put(static_cast<int64_t>(value)); }
    template <class Char>
    void Put(const std::basic_string<Char>& text) {
        Put(text.size());
        const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
        out.insert(out.end(), bytes, bytes + text.size() * sizeof(Char));
    }
    template <class T>
    void Put(const std::vector<T>& list) {
        Put(list.size());
        if constexpr (Plain<T>) {
            Raw(list.data(), list.size() * sizeof(T));
        } else {
            for (const T& item : list)
                Put(item);
        }
    }
    template <class T>
    void Put(const std::optional<T>& maybe) {
        Put(maybe.has_value());
        if (maybe) Put(*maybe);
    }
    template <class... T>
    void Put(const std::variant<T...>& value) {
        Put(value.index());
        std::visit([&](const auto& held) { Put(held); }, value);
    }
    template <Structure T>
    void Put(const T& value) {
        std::apply([&](const auto&... member) { (Put(member), ...); }, Members(value));
    }

private:
    void Raw(const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        out.insert(out.end(), bytes, bytes + size);
    }

    std::vector<uint8_t>& out;
};

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : at(data), end(data + size) {}

    template <Plain T>
    void Get(T& value) {
        Take(&value, sizeof(T));
    }
    void Get(bool& value) {
        uint8_t byte = 0;
        Get(byte);
        if (byte > 1) Damaged();
        value = byte == 1;
    }
    void Get(size_t& value) {
        uint64_t wide = 0;
        Take(&wide, sizeof wide);
        value = static_cast<size_t>(wide);
    }
    template <class T>
    requires std::is_enum_v<T>
    void Get(T& value) {
        int64_t number = 0;
        Get(number);
        value = static_cast<T>(number);
    }
    template <class Char>
    void Get(std::basic_string<Char>& text) {
        const size_t count = Count(sizeof(Char));
        text.resize(count);
        Take(text.data(), count * sizeof(Char));
    }
    template <class T>
    void Get(std::vector<T>& list) {
        // Every item takes at least a byte, so a count beyond what is left is damage, found
        // before anything is allocated for it.
        if constexpr (Plain<T>) {
            list.resize(Count(sizeof(T)));
            Take(list.data(), list.size() * sizeof(T));
        } else {
            const size_t count = Count(1);
            list.clear();
            list.reserve(count);
            for (size_t i = 0; i < count; ++i)
                Get(list.emplace_back());
        }
    }
    template <class T>
    void Get(std::optional<T>& maybe) {
        bool present = false;
        Get(present);
        if (!present) {
            maybe.reset();
            return;
        }
        Get(maybe.emplace());
    }
    template <class... T>
    void Get(std::variant<T...>& value) {
        size_t index = 0;
        Get(index);
        GetAlternative<0, T...>(value, index);
    }
    template <Structure T>
    void Get(T& value) {
        std::apply([&](auto&... member) { (Get(member), ...); }, Members(value));
    }

    void ExpectEnd() const {
        if (at != end) Damaged();
    }

private:
    void Take(void* destination, size_t size) {
        if (static_cast<size_t>(end - at) < size) Damaged();
        if (size > 0) std::memcpy(destination, at, size);
        at += size;
    }
    size_t Count(size_t itemSize) {
        size_t count = 0;
        Get(count);
        if (count > static_cast<size_t>(end - at) / itemSize) Damaged();
        return count;
    }
    template <size_t I, class... T>
    void GetAlternative(std::variant<T...>& value, size_t index) {
        if constexpr (I < sizeof...(T)) {
            if (index == I) {
                Get(value.template emplace<I>());
                return;
            }
            GetAlternative<I + 1, T...>(value, index);
        } else {
            Damaged();
        }
    }

    const uint8_t* at;
    const uint8_t* end;
};

template <class... T>
std::vector<uint8_t> Message(Tag tag, const T&... payload) {
    std::vector<uint8_t> body;
    Writer writer(body);
    (writer.Put(payload), ...);
    // The frame is laid out whole, not grown: GCC 12 at -O3 warns of an overflow, wrongly, when
    // a one-byte vector is grown by an insert.
    const uint64_t size = body.size();
    std::vector<uint8_t> bytes(kHeaderBytes + body.size());
    bytes[0] = static_cast<uint8_t>(tag);
    std::memcpy(bytes.data() + 1, &size, sizeof size);
    if (!body.empty()) std::memcpy(bytes.data() + kHeaderBytes, body.data(), body.size());
    return bytes;
}

}  // namespace

std::vector<uint8_t> EncodeRequest(const EngineRequest& request) {
    std::vector<uint8_t> bytes(std::begin(kMagic), std::end(kMagic));
    Writer(bytes).Put(request);
    return bytes;
}

EngineRequest DecodeRequest(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        Damaged();
    Reader reader(bytes.data() + sizeof kMagic, bytes.size() - sizeof kMagic);
    EngineRequest request;
    reader.Get(request);
    reader.ExpectEnd();
    return request;
}

std::vector<uint8_t> EncodeWarning(const std::string& text) {
    return Message(Tag::Warning, text);
}
std::vector<uint8_t> EncodeBeforeFrame(size_t frame) {
    return Message(Tag::BeforeFrame, frame);
}
std::vector<uint8_t> EncodeRow(const std::vector<Cell>& row) {
    return Message(Tag::Row, row);
}
std::vector<uint8_t> EncodeSaved(const std::vector<uint8_t>& stream) {
    return Message(Tag::Saved, stream);
}
std::vector<uint8_t> EncodeFailed(int exitCode, const std::string& message) {
    return Message(Tag::Failed, static_cast<int32_t>(exitCode), message);
}
std::vector<uint8_t> EncodeDone() {
    return Message(Tag::Done);
}

std::optional<Tag> MessageReader::Next() {
    // What the previous message held is dropped once the buffer is mostly spent.
    consumed += payloadSize;
    payloadSize = 0;
    if (consumed > 0 && consumed * 2 >= buffer.size()) {
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(consumed));
        consumed = 0;
    }
    if (buffer.size() - consumed < kHeaderBytes) return std::nullopt;
    uint64_t size = 0;
    std::memcpy(&size, buffer.data() + consumed + 1, sizeof size);
    if (size > buffer.size() - consumed - kHeaderBytes) return std::nullopt;
    const auto tag = static_cast<Tag>(buffer[consumed]);
    switch (tag) {
        case Tag::Warning:
        case Tag::BeforeFrame:
        case Tag::Row:
        case Tag::Saved:
        case Tag::Failed:
        case Tag::Done:
            break;
        default:
            Damaged();
    }
    payloadStart = consumed + kHeaderBytes;
    payloadSize = static_cast<size_t>(size);
    consumed += kHeaderBytes;
    return tag;
}

namespace {

template <class T>
T Decode(const std::vector<uint8_t>& buffer, size_t start, size_t size) {
    Reader reader(buffer.data() + start, size);
    T value{};
    reader.Get(value);
    reader.ExpectEnd();
    return value;
}

}  // namespace

std::string MessageReader::Text() const {
    if (buffer[payloadStart - kHeaderBytes] == static_cast<uint8_t>(Tag::Failed)) {
        if (payloadSize < 4) Damaged();
        return Decode<std::string>(buffer, payloadStart + 4, payloadSize - 4);
    }
    return Decode<std::string>(buffer, payloadStart, payloadSize);
}
size_t MessageReader::Frame() const {
    return Decode<size_t>(buffer, payloadStart, payloadSize);
}
std::vector<Cell> MessageReader::Row() const {
    return Decode<std::vector<Cell>>(buffer, payloadStart, payloadSize);
}
std::vector<uint8_t> MessageReader::Saved() const {
    return Decode<std::vector<uint8_t>>(buffer, payloadStart, payloadSize);
}
int MessageReader::ExitCode() const {
    if (payloadSize < 4) Damaged();
    int32_t code = 0;
    std::memcpy(&code, buffer.data() + payloadStart, sizeof code);
    return code;
}

}  // namespace quantifier_run::wire
