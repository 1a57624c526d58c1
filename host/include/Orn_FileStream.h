// Scene streams: the engine saves every channel of a scene into one stream of tagged blocks and
// reads them back from it. Streams are built and read in memory; a file is read whole and
// written atomically (OrnWriteFileAtomically).
//
// Encoding. Every integer is an unsigned 32-bit little-endian number.
//
//   stream  := magic version record*
//   magic   := the four bytes "ORNS"
//   version := kOrnStreamVersion; a reader refuses a stream of a newer version
//   record  := "CHAN" size block*    one channel; size = byte count of the blocks that follow
//   block   := tag size data         tag = four printable ASCII characters (0x20..0x7E),
//                                    size = byte count of data (0 allowed)
//
// Example: a stream with one channel holding the single block "NAME" = "Cube":
//   4F 52 4E 53  01 00 00 00  43 48 41 4E  0C 00 00 00  4E 41 4D 45  04 00 00 00  43 75 62 65
//   "ORNS"       version 1    "CHAN"       12 bytes     "NAME"       4 bytes      "Cube"
//
// What a reader accepts. A record becomes current only after its whole block structure was
// checked: every block header and every block's data lie inside the record, the blocks fill
// the record exactly, every tag is printable and no tag appears twice. A record that breaks
// any of these is refused as a whole and ends the stream with an error: nothing of it is handed
// out, so a channel is never loaded from half of a damaged record. A duplicated tag counts as
// damage rather than "first wins", because no saver writes one (OrnFileSaver refuses to) and a
// channel reading the first of two would silently drop data. Bytes after the last record that
// are not a complete record are an error too (a truncated file). Tags a channel does not know
// are fine: it only looks up its own, so blocks added by newer channels are skipped.
//
// Every size field is checked against the bytes actually present before it is used, so a
// reader never reads out of bounds and never allocates more than the stream's own length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr uint32_t kOrnStreamVersion = 1;

class OrnFileSaver {
public:
    // Starts a stream: magic and version, no records.
    OrnFileSaver();

    // Opens a channel record; the blocks written until EndChannel belong to it. False (and
    // nothing changes) when a record is already open.
    bool BeginChannel();
    // Closes the open record. False when none is open or the record is damaged: a block was
    // left shorter than its size, a writing operation was refused, or the record outgrew a
    // 32-bit size. A damaged record is dropped from the stream, so Data() always stays
    // readable.
    bool EndChannel();

    // The three writing operations of a tagged block, called in this order: the tag, the data's
    // byte count, then the data (in one or more pieces that add up to the count). Each returns
    // false and damages the open record when called out of order, outside a record, with a tag
    // that is not four printable characters or is already in the record, or with more data than
    // the count announced.
    bool SaveTag(const char* tag);
    bool SaveBlockSize(uint32_t size);
    bool SaveDataToFile(const void* data, size_t size);

    // The stream so far; complete whenever no record is open.
    const std::vector<uint8_t>& Data() const { return bytes; }
    bool ChannelOpen() const { return recordStart != kNone; }

    // Writes the stream to `path` atomically. False, with the reason in `error`, when a record
    // is still open or the write failed; the file at `path` is then untouched.
    bool WriteToFile(const std::string& path, std::string* error = nullptr) const;

private:
    static constexpr size_t kNone = SIZE_MAX;
    bool Damage();

    std::vector<uint8_t> bytes;
    size_t recordStart = kNone;  // offset of the open record's "CHAN"
    bool damaged = false;        // the open record can no longer be closed
    bool expectSize = false;     // a tag was written, its size not yet
    uint64_t dataLeft = 0;       // data bytes the current block still expects
    std::vector<uint32_t> tags;  // tags of the open record, as little-endian words
};

class OrnFileLoader {
public:
    // Reads a stream held in memory. Valid() is false when the magic is missing or the version
    // is newer than this engine reads.
    explicit OrnFileLoader(std::vector<uint8_t> data);
    // Reads the whole file at `path`; a loader that cannot read it is not Valid() and says why
    // in Error().
    static OrnFileLoader FromFile(const std::string& path);

    // False once the header or a record was found bad; Error() then says what and where.
    bool Valid() const { return error.empty(); }
    const std::string& Error() const { return error; }

    // Makes the next record current after checking its block structure. False at the end of
    // the stream and at a bad record; AtEnd() tells the two apart.
    bool NextChannel();
    // True once every record was read and the stream ended cleanly.
    bool AtEnd() const { return Valid() && position == bytes.size() && !hasChannel; }
    // True while a record is current.
    bool InChannel() const { return hasChannel; }
    // Where the current record starts in the stream (its "CHAN"); 0 when none is current.
    size_t RecordOffset() const { return hasChannel ? recordStart : 0; }
    // Goes back to before the first record, so that a stream checked whole can then be read
    // again; nothing happens to a loader that is not Valid().
    void Rewind();

    // Selects the block with that tag in the current record, in whatever order the blocks
    // stand. False, with nothing selected, when the record has no such block, no record is
    // current or `tag` is not four characters.
    bool GetInfoIfTag(const char* tag);
    // The byte count of the selected block; 0 when none is selected.
    uint32_t GetTagSize() const;
    // Where the selected block starts in the stream (its tag); 0 when none is selected.
    size_t GetTagOffset() const;
    // Copies the selected block's data to `destination`, which must hold GetTagSize() bytes.
    // False, with nothing copied, when no block is selected.
    bool CopyTagDataToPointer(void* destination);
    // The same, for a destination of `capacity` bytes: false, with nothing copied, when the
    // block is larger than that.
    bool CopyTagDataToPointer(void* destination, size_t capacity);

private:
    struct Block {
        uint32_t tag;   // the four tag bytes as a little-endian word
        size_t data;    // offset of the data in `bytes`
        uint32_t size;  // checked to lie inside the record
    };
    static constexpr size_t kNoBlock = SIZE_MAX;
    bool Fail(const std::string& what, size_t offset);

    std::vector<uint8_t> bytes;
    std::string error;
    size_t position = 0;     // where the next record starts
    size_t recordStart = 0;  // where the current record starts
    bool hasChannel = false;
    std::vector<Block> blocks;   // of the current record, sorted by tag
    size_t selected = kNoBlock;  // index into `blocks`
};

// Writes `bytes` to `path` so that afterwards the file is either the old one or the complete
// new one: the bytes go to a new temporary file in the same directory, are flushed to the disk,
// and only then does the temporary file replace `path`. False, with the reason in `error` (when
// given), if anything failed; `path` is then untouched and the temporary file removed.
//
// - `path` must be absent or a regular file: a directory, device, FIFO or socket is refused.
// - A symbolic link is followed to the file it names (which may not exist yet); that file is
//   replaced and the link stays a link.
// - Where the system offers unnamed files (Linux), the temporary file has no name until it is
//   complete, so a writer killed half-way leaves nothing behind. Otherwise, and for the moment
//   between naming and replacing, a killed writer leaves a short ".~<digits>" file, which the
//   next save into the same directory removes once its writer is gone.
bool OrnWriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                            std::string* error = nullptr);

// Gives the bytes of a file being written, in order and in pieces, to `write`, which says
// whether the piece was written; false when a write failed or the bytes could not be produced.
// A save may ask for the bytes more than once (it starts again when the system refuses its
// first way of writing), and they must be the same each time.
using OrnByteSource =
    std::function<bool(const std::function<bool(const uint8_t* data, size_t size)>& write)>;

// The same as above, for content too large to hold in memory at once.
bool OrnWriteFileAtomically(const std::string& path, const OrnByteSource& source,
                            std::string* error = nullptr);

// Reads the whole file at `path` (UTF-8). False, with the reason in `error` (when given), when it
// cannot be opened or read, or holds more than `limit` bytes; `bytes` is then empty. Only the
// bytes actually read are held, so a device that never ends costs at most `limit`.
bool OrnReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error = nullptr,
                 size_t limit = SIZE_MAX);
