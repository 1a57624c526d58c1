#include "Orn_FileStream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {
constexpr uint8_t kMagic[4] = {'O', 'R', 'N', 'S'};
constexpr uint8_t kChannelTag[4] = {'C', 'H', 'A', 'N'};

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool IsTag(const char* tag) { return tag != nullptr && std::strlen(tag) == 4; }
}  // namespace

OrnFileSaver::OrnFileSaver() {
    bytes.assign(kMagic, kMagic + 4);
    PutU32(bytes, kOrnStreamVersion);
}

void OrnFileSaver::BeginChannel() {
    if (openChannel != SIZE_MAX) EndChannel();
    bytes.insert(bytes.end(), kChannelTag, kChannelTag + 4);
    openChannel = bytes.size();
    PutU32(bytes, 0);
}

bool OrnFileSaver::EndChannel() {
    if (openChannel == SIZE_MAX) return false;
    const auto size = static_cast<uint32_t>(bytes.size() - openChannel - 4);
    for (int i = 0; i < 4; ++i) bytes[openChannel + i] = static_cast<uint8_t>(size >> (8 * i));
    openChannel = SIZE_MAX;
    return true;
}

bool OrnFileSaver::SaveTag(const char* tag) {
    if (openChannel == SIZE_MAX || !IsTag(tag)) return false;
    bytes.insert(bytes.end(), tag, tag + 4);
    return true;
}

bool OrnFileSaver::SaveBlockSize(uint32_t size) {
    if (openChannel == SIZE_MAX) return false;
    PutU32(bytes, size);
    return true;
}

bool OrnFileSaver::SaveDataToFile(const void* data, size_t size) {
    if (openChannel == SIZE_MAX || (data == nullptr && size != 0)) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
    return true;
}

OrnFileLoader::OrnFileLoader(std::vector<uint8_t> data) : bytes(std::move(data)) {
    valid = bytes.size() >= 8 && std::memcmp(bytes.data(), kMagic, 4) == 0 &&
            GetU32(bytes.data() + 4) <= kOrnStreamVersion;
    position = 8;
}

bool OrnFileLoader::NextChannel() {
    hasChannel = false;
    hasSelection = false;
    if (!valid || bytes.size() - position < 8) return false;
    if (std::memcmp(bytes.data() + position, kChannelTag, 4) != 0) return false;
    const uint32_t size = GetU32(bytes.data() + position + 4);
    if (size > bytes.size() - position - 8) return false;
    channelBegin = position + 8;
    channelEnd = channelBegin + size;
    position = channelEnd;
    hasChannel = true;
    return true;
}

bool OrnFileLoader::GetInfoIfTag(const char* tag) {
    hasSelection = false;
    if (!hasChannel || !IsTag(tag)) return false;
    for (size_t at = channelBegin; channelEnd - at >= 8;) {
        const uint32_t size = GetU32(bytes.data() + at + 4);
        if (size > channelEnd - at - 8) return false;
        if (std::memcmp(bytes.data() + at, tag, 4) == 0) {
            selectedData = at + 8;
            selectedSize = size;
            hasSelection = true;
            return true;
        }
        at += 8 + size;
    }
    return false;
}

uint32_t OrnFileLoader::GetTagSize() const { return hasSelection ? selectedSize : 0; }

bool OrnFileLoader::CopyTagDataToPointer(void* destination) {
    if (!hasSelection || destination == nullptr) return false;
    if (selectedSize != 0) std::memcpy(destination, bytes.data() + selectedData, selectedSize);
    return true;
}

namespace {
std::string Explain(const std::string& what, const std::string& path, int errorNumber) {
    return what + " " + path + ": " + std::strerror(errorNumber);
}
}  // namespace

bool OrnWriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                            std::string* error) {
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        if (error) *error = Explain("cannot create", temporary, errno);
        return false;
    }
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !flushed || !closed) {
        if (error) *error = Explain("cannot write", temporary, writeError);
        std::remove(temporary.c_str());
        return false;
    }
    std::error_code code;
    std::filesystem::rename(temporary, path, code);
    if (code) {
        if (error) *error = "cannot replace " + path + ": " + code.message();
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool OrnReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        if (error) *error = Explain("cannot open", path, errno);
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        if (error) *error = Explain("cannot read", path, EIO);
        return false;
    }
    return true;
}
