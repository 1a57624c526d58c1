// The plain data the runner and an engine process exchange (EngineProcess.h): the request, then
// the engine's messages, each a tag, a length and its bytes. Numbers travel as their bytes, so
// every float arrives bit for bit; both sides are little-endian x86-64.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Cell.h"
#include "EngineSession.h"

namespace quantifier_run::wire {

// What a message carries, by its tag.
enum class Tag : uint8_t {
    Warning = 'W',      // a text
    BeforeFrame = 'F',  // a frame number
    Row = 'R',          // a frame's cells
    Saved = 'S',        // the saved stream, when one was asked for
    Failed = 'E',       // an exit status and one line; the last message
    Done = 'D',         // nothing; the last message
};

std::vector<uint8_t> EncodeRequest(const EngineRequest& request);
// Throws RunError when the bytes are not a whole request.
EngineRequest DecodeRequest(const std::vector<uint8_t>& bytes);

// One message, framed: its tag, its length, its payload.
std::vector<uint8_t> EncodeWarning(const std::string& text);
std::vector<uint8_t> EncodeBeforeFrame(size_t frame);
std::vector<uint8_t> EncodeRow(const std::vector<Cell>& row);
std::vector<uint8_t> EncodeSaved(const std::vector<uint8_t>& stream);
std::vector<uint8_t> EncodeFailed(int exitCode, const std::string& message);
std::vector<uint8_t> EncodeDone();

// A message taken apart as it arrives: feed bytes in, take whole messages out.
class MessageReader {
public:
    void Append(const uint8_t* data, size_t size) {
        buffer.insert(buffer.end(), data, data + size);
    }
    // The next whole message's tag, or nothing until all its bytes have arrived.
    std::optional<Tag> Next();
    // The payload of the message Next() returned, taken apart by its tag. Each throws RunError
    // when the payload does not hold what its tag says.
    std::string Text() const;
    size_t Frame() const;
    std::vector<Cell> Row() const;
    std::vector<uint8_t> Saved() const;
    int ExitCode() const;  // of Failed; Text() gives its line

    bool Empty() const { return consumed == buffer.size(); }

private:
    std::vector<uint8_t> buffer;
    size_t consumed = 0;      // bytes of messages already taken
    size_t payloadStart = 0;  // of the current message
    size_t payloadSize = 0;
};

}  // namespace quantifier_run::wire
