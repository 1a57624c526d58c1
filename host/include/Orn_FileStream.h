// The scene stream: channels saved one after another as records of tagged blocks.
//
// Encoding (all integers little-endian):
//   stream  := "ORNS" version:u32 channel*
//   channel := "CHAN" size:u32 block*        size = byte count of the blocks that follow
//   block   := tag:4 bytes size:u32 data:size bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint32_t kOrnStreamVersion = 1;

class OrnFileSaver {
public:
    OrnFileSaver();

    // Opens a channel record; blocks written until EndChannel belong to it.
    void BeginChannel();
    // Closes the open channel record; false when none is open.
    bool EndChannel();

    // The three writing operations of a tagged block: the four-character tag, the data's byte
    // count, then the data. False when no channel record is open or the tag is not four
    // characters long.
    bool SaveTag(const char* tag);
    bool SaveBlockSize(uint32_t size);
    bool SaveDataToFile(const void* data, size_t size);

    // The bytes written so far; complete once every channel record is closed.
    const std::vector<uint8_t>& Data() const { return bytes; }

private:
    std::vector<uint8_t> bytes;
    size_t openChannel = SIZE_MAX;  // offset of the open record's size field
};

class OrnFileLoader {
public:
    // Reads a stream from memory. Valid() is false when the header is missing or the version
    // is newer than this engine reads.
    explicit OrnFileLoader(std::vector<uint8_t> data);
    bool Valid() const { return valid; }

    // Moves to the next channel record; false at the end of the stream or at a record that
    // runs past it.
    bool NextChannel();
    // True while a channel record is current.
    bool InChannel() const { return hasChannel; }

    // Selects the first block with that tag in the current channel record; false when there
    // is none (or no record is current).
    bool GetInfoIfTag(const char* tag);
    // The byte count of the selected block; 0 when none is selected.
    uint32_t GetTagSize() const;
    // Copies the selected block's data to `destination`, which must hold GetTagSize() bytes.
    // False when no block is selected.
    bool CopyTagDataToPointer(void* destination);

private:
    std::vector<uint8_t> bytes;
    bool valid = false;
    size_t position = 0;          // where the next channel record starts
    size_t channelBegin = 0;      // blocks of the current record
    size_t channelEnd = 0;
    bool hasChannel = false;
    size_t selectedData = 0;
    uint32_t selectedSize = 0;
    bool hasSelection = false;
};

// Writes `bytes` to `path` so that the file is either the old one or the complete new one:
// a temporary file in the same directory is written, flushed and then renamed over `path`.
// False, with the reason in `error` (when given), if anything failed; `path` is then untouched.
bool OrnWriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                            std::string* error = nullptr);
// Reads the whole file at `path`. False, with the reason in `error` (when given), on failure.
bool OrnReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error = nullptr);
