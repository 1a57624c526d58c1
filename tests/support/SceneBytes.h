// Scene streams written byte by byte, and a reader of one record's blocks, both following the
// documented encoding rather than the engine's saver and loader, so tests can check those two
// against it and feed the loader bytes no saver would write.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scene_bytes {

using Bytes = std::vector<uint8_t>;

inline Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes U32(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

template <class T>
Bytes Of(const T& value) {
    Bytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A block with a size that fits its data.
inline Bytes Block(std::string_view tag, const Bytes& data) {
    return Cat({Text(tag), U32(static_cast<uint32_t>(data.size())), data});
}

// A channel record with a size that fits its blocks.
inline Bytes Record(std::initializer_list<Bytes> blocks) {
    const Bytes body = Cat(blocks);
    return Cat({Text("CHAN"), U32(static_cast<uint32_t>(body.size())), body});
}

inline Bytes Header(uint32_t version = 1) {
    return Cat({Text("ORNS"), U32(version)});
}

inline Bytes Stream(std::initializer_list<Bytes> records) {
    Bytes out = Header();
    for (const Bytes& record : records)
        out.insert(out.end(), record.begin(), record.end());
    return out;
}

// The blocks of the first record of a well-formed stream, in stored order; empty when there
// is no complete record.
inline std::vector<std::pair<std::string, Bytes>> FirstRecordBlocks(const Bytes& stream) {
    std::vector<std::pair<std::string, Bytes>> blocks;
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(stream[at] | stream[at + 1] << 8 | stream[at + 2] << 16 |
                                     static_cast<uint32_t>(stream[at + 3]) << 24);
    };
    if (stream.size() < 16) return blocks;
    const size_t end = 16 + u32(12);
    for (size_t at = 16; at + 8 <= end && end <= stream.size();) {
        const size_t size = u32(at + 4);
        if (at + 8 + size > end) break;
        blocks.emplace_back(std::string(stream.begin() + at, stream.begin() + at + 4),
                            Bytes(stream.begin() + at + 8, stream.begin() + at + 8 + size));
        at += 8 + size;
    }
    return blocks;
}

}  // namespace scene_bytes
