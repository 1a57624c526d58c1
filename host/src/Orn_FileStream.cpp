#include "Orn_FileStream.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t kMagic[4] = {'O', 'R', 'N', 'S'};
constexpr uint8_t kChannelTag[4] = {'C', 'H', 'A', 'N'};
constexpr size_t kHeaderSize = 8;  // magic and version; also a record's or a block's header

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool Printable(uint8_t c) {
    return c >= 0x20 && c <= 0x7E;
}

// A tag as given by a caller: exactly four printable characters before the terminating NUL.
// Reads at most five characters, so an unterminated buffer of four is not overrun.
bool IsTag(const char* tag) {
    if (tag == nullptr) return false;
    for (int i = 0; i < 4; ++i) {
        if (!Printable(static_cast<uint8_t>(tag[i]))) return false;
    }
    return tag[4] == '\0';
}

uint32_t TagWord(const char* tag) {
    return GetU32(reinterpret_cast<const uint8_t*>(tag));
}
}  // namespace

OrnFileSaver::OrnFileSaver() {
    bytes.assign(kMagic, kMagic + 4);
    PutU32(bytes, kOrnStreamVersion);
}

bool OrnFileSaver::BeginChannel() {
    if (ChannelOpen()) return false;
    recordStart = bytes.size();
    bytes.insert(bytes.end(), kChannelTag, kChannelTag + 4);
    PutU32(bytes, 0);
    damaged = false;
    expectSize = false;
    dataLeft = 0;
    tags.clear();
    return true;
}

bool OrnFileSaver::Damage() {
    damaged = true;
    return false;
}

bool OrnFileSaver::EndChannel() {
    if (!ChannelOpen()) return false;
    const size_t size = bytes.size() - recordStart - kHeaderSize;
    const bool complete = !damaged && !expectSize && dataLeft == 0 && size <= UINT32_MAX;
    if (complete) {
        for (int i = 0; i < 4; ++i) {
            bytes[recordStart + 4 + i] = static_cast<uint8_t>(size >> (8 * i));
        }
    } else {
        bytes.resize(recordStart);
    }
    recordStart = kNone;
    return complete;
}

bool OrnFileSaver::SaveTag(const char* tag) {
    if (!ChannelOpen() || damaged) return false;
    if (expectSize || dataLeft != 0 || !IsTag(tag)) return Damage();
    const uint32_t word = TagWord(tag);
    if (std::find(tags.begin(), tags.end(), word) != tags.end()) return Damage();
    tags.push_back(word);
    bytes.insert(bytes.end(), tag, tag + 4);
    expectSize = true;
    return true;
}

bool OrnFileSaver::SaveBlockSize(uint32_t size) {
    if (!ChannelOpen() || damaged) return false;
    if (!expectSize) return Damage();
    PutU32(bytes, size);
    expectSize = false;
    dataLeft = size;
    return true;
}

bool OrnFileSaver::SaveDataToFile(const void* data, size_t size) {
    if (!ChannelOpen() || damaged) return false;
    if (expectSize || size > dataLeft || (data == nullptr && size != 0)) return Damage();
    const auto* p = static_cast<const uint8_t*>(data);
    if (size != 0) bytes.insert(bytes.end(), p, p + size);
    dataLeft -= size;
    return true;
}

bool OrnFileSaver::WriteToFile(const std::string& path, std::string* error) const {
    if (ChannelOpen()) {
        if (error) *error = "cannot save " + path + ": a channel record is still open";
        return false;
    }
    return OrnWriteFileAtomically(path, bytes, error);
}

OrnFileLoader::OrnFileLoader(std::vector<uint8_t> data) : bytes(std::move(data)) {
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, 4) != 0) {
        Fail("not a scene stream (no \"ORNS\" header)", 0);
        return;
    }
    const uint32_t version = GetU32(bytes.data() + 4);
    if (version == 0 || version > kOrnStreamVersion) {
        Fail("scene stream version " + std::to_string(version) +
                 " is not readable (this engine reads up to " + std::to_string(kOrnStreamVersion) +
                 ")",
             4);
        return;
    }
    position = kHeaderSize;
}

OrnFileLoader OrnFileLoader::FromFile(const std::string& path) {
    std::vector<uint8_t> data;
    std::string reason;
    if (!OrnReadFile(path, data, &reason)) {
        OrnFileLoader loader({});
        loader.error = reason;
        return loader;
    }
    OrnFileLoader loader(std::move(data));
    if (!loader.Valid()) loader.error = path + ": " + loader.error;
    return loader;
}

bool OrnFileLoader::Fail(const std::string& what, size_t offset) {
    error = "at byte " + std::to_string(offset) + ": " + what;
    hasChannel = false;
    blocks.clear();
    selected = kNoBlock;
    return false;
}

bool OrnFileLoader::NextChannel() {
    hasChannel = false;
    blocks.clear();
    selected = kNoBlock;
    if (!Valid() || position == bytes.size()) return false;

    const size_t left = bytes.size() - position;
    if (left < kHeaderSize) return Fail("truncated channel record header", position);
    if (std::memcmp(bytes.data() + position, kChannelTag, 4) != 0) {
        return Fail("expected a channel record (\"CHAN\")", position);
    }
    const uint32_t recordSize = GetU32(bytes.data() + position + 4);
    if (recordSize > left - kHeaderSize) {
        return Fail("channel record of " + std::to_string(recordSize) +
                        " bytes runs past the end of the stream",
                    position);
    }
    const size_t end = position + kHeaderSize + recordSize;

    // The whole record is checked before it becomes current, so a channel never starts to load
    // from a record that turns out to be damaged further on.
    for (size_t at = position + kHeaderSize; at < end;) {
        if (end - at < kHeaderSize) return Fail("block header runs past the end of its record", at);
        const uint8_t* header = bytes.data() + at;
        if (!std::all_of(header, header + 4, Printable))
            return Fail("block tag is not four printable characters", at);
        const uint32_t size = GetU32(header + 4);
        if (size > end - at - kHeaderSize) {
            return Fail(
                "block of " + std::to_string(size) + " bytes runs past the end of its record", at);
        }
        blocks.push_back({GetU32(header), at + kHeaderSize, size});
        at += kHeaderSize + size;
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const Block& a, const Block& b) { return a.tag < b.tag; });
    const auto twice =
        std::adjacent_find(blocks.begin(), blocks.end(),
                           [](const Block& a, const Block& b) { return a.tag == b.tag; });
    if (twice != blocks.end()) {
        const size_t at = std::max(twice[0].data, twice[1].data) - kHeaderSize;
        return Fail("tag \"" + std::string(reinterpret_cast<const char*>(bytes.data() + at), 4) +
                        "\" appears twice in one channel record",
                    at);
    }
    recordStart = position;
    position = end;
    hasChannel = true;
    return true;
}

void OrnFileLoader::Rewind() {
    if (!Valid()) return;
    position = kHeaderSize;
    hasChannel = false;
    blocks.clear();
    selected = kNoBlock;
}

bool OrnFileLoader::GetInfoIfTag(const char* tag) {
    selected = kNoBlock;
    if (!hasChannel || !IsTag(tag)) return false;
    const uint32_t word = TagWord(tag);
    const auto found =
        std::lower_bound(blocks.begin(), blocks.end(), word,
                         [](const Block& block, uint32_t w) { return block.tag < w; });
    if (found == blocks.end() || found->tag != word) return false;
    selected = static_cast<size_t>(found - blocks.begin());
    return true;
}

uint32_t OrnFileLoader::GetTagSize() const {
    return selected == kNoBlock ? 0 : blocks[selected].size;
}

size_t OrnFileLoader::GetTagOffset() const {
    return selected == kNoBlock ? 0 : blocks[selected].data - kHeaderSize;
}

bool OrnFileLoader::CopyTagDataToPointer(void* destination) {
    return CopyTagDataToPointer(destination, GetTagSize());
}

bool OrnFileLoader::CopyTagDataToPointer(void* destination, size_t capacity) {
    if (selected == kNoBlock) return false;
    const Block& block = blocks[selected];
    if (block.size > capacity) return false;
    if (block.size == 0) return true;
    if (destination == nullptr) return false;
    std::memcpy(destination, bytes.data() + block.data, block.size);
    return true;
}
