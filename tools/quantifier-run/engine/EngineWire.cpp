#include "engine/EngineWire.h"

#include <algorithm>
#include <concepts>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <variant>

#include "engine/RunError.h"

namespace quantifier_run::wire {

// Converts to any field's type, so that an aggregate can be brace-initialised with it field by
// field. Only ever named in unevaluated operands, so never defined; outside the unnamed
// namespace, so that no compiler takes that for a function left undefined by mistake.
struct AnyField {
    template <class T>
    operator T() const;
};

// How many fields the aggregate T has: the most initialisers its braces take.
template <class T, class... Given>
constexpr size_t FieldCount() {
    if constexpr (requires { T{Given{}..., AnyField{}}; })
        return FieldCount<T, Given..., AnyField>();
    else
        return sizeof...(Given);
}

namespace {

// Opens the request and is the Hello's payload; its last character is the wire's version, raised
// whenever what travels changes.
constexpr char kMagic[4] = {'Q', 'R', 'E', '5'};
// The most columns of values an observation keeps per channel.
constexpr size_t kMostSparkColumns = 4096;
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
template <Is<Timeline> T>
auto Members(T& t) {
    return std::tie(t.values, t.perFrame, t.keyFrames, t.linear);
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
                    s.actions, s.outputs);
}
template <Is<ObserveRequest> T>
auto Members(T& o) {
    return std::tie(o.frame, o.sparkColumns);
}
template <Is<EngineRequest> T>
auto Members(T& r) {
    return std::tie(r.scene, r.sceneLabel, r.pluginPath, r.stream, r.streamPath, r.save, r.observe);
}
template <Is<ObservedLookup> T>
auto Members(T& l) {
    return std::tie(l.kind, l.index, l.found);
}
template <Is<ChannelObservation> T>
auto Members(T& c) {
    return std::tie(c.reads, c.evaluations, c.operation, c.value, c.before, c.lookupsObserved,
                    c.lookups, c.sparkLow, c.sparkHigh);
}
template <Is<Observation> T>
auto Members(T& o) {
    return std::tie(o.frame, o.channels);
}

template <class T>
concept Structure = requires(T& t) {
    Members(t);
};

// The members of a structure, checked to be all of them: a field left out of its list would
// neither travel nor be noticed missing until the other side ran without it.
template <Structure T>
auto AllMembers(T& value) {
    using Base = std::remove_const_t<T>;
    static_assert(std::is_aggregate_v<Base> &&
                      std::tuple_size_v<decltype(Members(value))> == FieldCount<Base>(),
                  "a field of this structure is missing from its Members list");
    return Members(value);
}

// An enumeration travels only with a known last value, against which every value read is held.
template <class T>
concept WireEnum = std::is_enum_v<T> && requires {
    EnumLast<T>::value;
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
    template <WireEnum T>
    void Put(T value) {
        Put(static_cast<int64_t>(value));
    }
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
        std::apply([&](const auto&... member) { (Put(member), ...); }, AllMembers(value));
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
    template <WireEnum T>
    void Get(T& value) {
        int64_t number = 0;
        Get(number);
        if (number < 0 || number > static_cast<int64_t>(EnumLast<T>::value)) Damaged();
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
        std::apply([&](auto&... member) { (Get(member), ...); }, AllMembers(value));
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

// The engine indexes its tables with what the request holds, so every index and every
// timeline the engine reads from must be there.
void CheckIndices(const EngineRequest& request) {
    const Scene& scene = request.scene;
    const size_t channels = scene.channels.size();
    const auto below = [](const auto& index, size_t count) {
        if (index && *index >= count) Damaged();
    };
    // A keyed timeline has a frame for each value, in increasing order, which its lookup needs.
    const auto whole = [](const std::optional<Timeline>& timeline) {
        if (!timeline) return;
        if (timeline->values.empty()) Damaged();
        const std::vector<size_t>& keys = timeline->keyFrames;
        if (keys.empty() ? timeline->linear
                         : !timeline->perFrame || keys.size() != timeline->values.size() ||
                               std::adjacent_find(keys.begin(), keys.end(), [](size_t a, size_t b) {
                                   return a >= b;
                               }) != keys.end())
            Damaged();
    };
    below(scene.mainWindow, scene.windows.size());
    for (const GroupSpec& group : scene.groups)
        below(group.window, scene.windows.size());
    for (const ChannelSpec& channel : scene.channels) {
        whole(channel.value);
        below(channel.group, scene.groups.size());
        for (const std::vector<size_t>* links : {&channel.children, &channel.internalChildren}) {
            for (size_t child : *links)
                below(std::optional(child), channels);
        }
    }
    for (const ActionSpec& action : scene.actions)
        below(std::optional(action.channel), channels);
    for (size_t output : scene.outputs)
        below(std::optional(output), channels);
    if (scene.camera) whole(scene.camera->view);
    whole(scene.timer);
    // The engine makes this many columns for every float channel.
    if (request.observe && request.observe->sparkColumns > kMostSparkColumns) Damaged();
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
    CheckIndices(request);
    return request;
}

MessageLimits LimitsFor(const EngineRequest& request, size_t requestBytes) {
    // Every text the engine sends is made of its own words and numbers around what the request
    // holds (names, texts, paths), each byte of it escaped in at most six.
    constexpr uint64_t kWords = uint64_t{1} << 16;
    const uint64_t given = requestBytes;
    MessageLimits limits;
    limits.cells = request.scene.outputs.size();
    limits.textBytes = 6 * given + kWords;
    // A row: its count, then per cell the alternative's index and its value. A text cell's
    // text is one the scene or the stream gave, or one character an operation wrote.
    limits.rowBytes = sizeof(uint64_t);
    for (size_t output : request.scene.outputs) {
        const bool text = output < request.scene.channels.size() &&
                          request.scene.channels[output].kind == ChannelKind::Text;
        limits.rowBytes +=
            sizeof(uint64_t) + (text ? 3 * sizeof(uint64_t) + given + kWords : sizeof(XMMATRIX));
    }
    // A saved record holds a channel's name and at most a quantifier's few blocks: fewer bytes
    // than the channel takes in the request.
    limits.savedBytes = 4 * given + kWords;
    // An observation: per channel its counts, operation, value (a text no longer than the request
    // gives), its lookups (a few per evaluation or call) and two floats per column.
    limits.channels = request.scene.channels.size();
    if (request.observe) {
        constexpr uint64_t kPerChannel = 256 + 16 * 40;
        limits.observedBytes = limits.channels * (kPerChannel + 8 * request.observe->sparkColumns) +
                               2 * given + kWords;
    }
    return limits;
}

std::vector<uint8_t> EncodeHello() {
    std::vector<uint8_t> bytes(kHeaderBytes + sizeof kMagic);
    bytes[0] = static_cast<uint8_t>(Tag::Hello);
    const uint64_t size = sizeof kMagic;
    std::memcpy(bytes.data() + 1, &size, sizeof size);
    std::memcpy(bytes.data() + kHeaderBytes, kMagic, sizeof kMagic);
    return bytes;
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
std::vector<uint8_t> EncodeObserved(const Observation& observation) {
    return Message(Tag::Observed, observation);
}
std::vector<uint8_t> EncodeDone() {
    return Message(Tag::Done);
}

void MessageReader::CheckHeader() const {
    const size_t available = buffer.size() - consumed;
    const auto tag = static_cast<Tag>(buffer[consumed]);
    // Another program, or an engine of another version, is told apart by its first byte.
    if (!greeted && tag != Tag::Hello)
        throw RunError(kExitFailure, "the engine process " + peer +
                                         " and the runner do not speak the same data: it did not "
                                         "answer as a quantifier engine (another program, or an "
                                         "engine of another version)");
    if (greeted && tag == Tag::Hello) Damaged();
    if (available < kHeaderBytes) {
        switch (tag) {
            case Tag::Hello:
            case Tag::Warning:
            case Tag::BeforeFrame:
            case Tag::Row:
            case Tag::Saved:
            case Tag::Failed:
            case Tag::Observed:
            case Tag::Done:
                return;
        }
        Damaged();
    }
    uint64_t size = 0;
    std::memcpy(&size, buffer.data() + consumed + 1, sizeof size);
    // Each size against what its tag can hold in this run: a string's or a list's count takes
    // eight bytes, a Failed's status four.
    constexpr uint64_t kCount = sizeof(uint64_t);
    const auto within = [&](uint64_t least, uint64_t most) {
        if (size < least || size > most) Damaged();
    };
    switch (tag) {
        case Tag::Hello:
            return within(sizeof kMagic, sizeof kMagic);
        case Tag::Warning:
            return within(kCount, kCount + limits.textBytes);
        case Tag::BeforeFrame:
            return within(kCount, kCount);
        case Tag::Row:
            return within(kCount, limits.rowBytes);
        case Tag::Saved:
            return within(kCount, kCount + limits.savedBytes);
        case Tag::Failed:
            return within(sizeof(int32_t) + kCount, sizeof(int32_t) + kCount + limits.textBytes);
        case Tag::Observed:
            return within(2 * kCount, limits.observedBytes);
        case Tag::Done:
            return within(0, 0);
    }
    Damaged();
}

std::optional<Tag> MessageReader::Next() {
    for (;;) {
        // What the previous message held is dropped once the buffer is mostly spent.
        consumed += payloadSize;
        payloadSize = 0;
        if (consumed > 0 && consumed * 2 >= buffer.size()) {
            buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(consumed));
            consumed = 0;
        }
        if (buffer.size() == consumed) return std::nullopt;
        CheckHeader();
        if (buffer.size() - consumed < kHeaderBytes) return std::nullopt;
        uint64_t size = 0;
        std::memcpy(&size, buffer.data() + consumed + 1, sizeof size);
        if (size > buffer.size() - consumed - kHeaderBytes) return std::nullopt;
        const auto tag = static_cast<Tag>(buffer[consumed]);
        payloadStart = consumed + kHeaderBytes;
        payloadSize = static_cast<size_t>(size);
        consumed += kHeaderBytes;
        if (tag != Tag::Hello) return tag;
        if (std::memcmp(buffer.data() + payloadStart, kMagic, sizeof kMagic) != 0)
            throw RunError(kExitFailure, "the engine process " + peer +
                                             " is a quantifier engine of another version; run the "
                                             "quantifier-engine built with this quantifier-run");
        greeted = true;
    }
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
    std::vector<Cell> row = Decode<std::vector<Cell>>(buffer, payloadStart, payloadSize);
    if (row.size() != limits.cells) Damaged();
    return row;
}
std::vector<uint8_t> MessageReader::Saved() const {
    return Decode<std::vector<uint8_t>>(buffer, payloadStart, payloadSize);
}
Observation MessageReader::Observed() const {
    Observation observation = Decode<Observation>(buffer, payloadStart, payloadSize);
    // The runner indexes the scene with what it holds.
    if (observation.channels.size() != limits.channels) Damaged();
    for (const ChannelObservation& channel : observation.channels) {
        if (channel.sparkLow.size() != channel.sparkHigh.size()) Damaged();
        for (const ObservedLookup& lookup : channel.lookups) {
            if (lookup.found && *lookup.found >= limits.channels) Damaged();
        }
    }
    return observation;
}
int MessageReader::ExitCode() const {
    if (payloadSize < 4) Damaged();
    int32_t code = 0;
    std::memcpy(&code, buffer.data() + payloadStart, sizeof code);
    return code;
}

}  // namespace quantifier_run::wire
