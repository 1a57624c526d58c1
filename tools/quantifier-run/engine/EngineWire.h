// The plain data the runner and an engine process exchange (EngineProcess.h): the request, then
// the engine's messages, each a tag, a length and its bytes. Numbers travel as their bytes, so
// every float arrives bit for bit; both sides are little-endian x86-64.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/Cell.h"
#include "engine/EngineSession.h"

namespace quantifier_run::wire {

// What a message carries, by its tag.
enum class Tag : uint8_t {
    Hello = 'H',        // the wire's magic and version; the engine's first message
    Warning = 'W',      // a text
    BeforeFrame = 'F',  // a frame number
    Row = 'R',          // a frame's cells
    Saved = 'S',        // the saved stream, when one was asked for
    Failed = 'E',       // an exit status and one line; the last message
    Observed = 'O',     // what the engine observed, when the request asked; after the rows
    Done = 'D',         // nothing; the last message
};

std::vector<uint8_t> EncodeRequest(const EngineRequest& request);
// Throws RunError when the bytes are not a whole request, or one whose kinds or indices are
// out of range.
EngineRequest DecodeRequest(const std::vector<uint8_t>& bytes);

// The most each message of a run can hold, known from its request before anything arrives: a
// header that declares more is damage, reported without waiting for the bytes.
struct MessageLimits {
    size_t cells = 0;            // in every row: one per output
    uint64_t textBytes = 0;      // of a warning's or a failure's line
    uint64_t rowBytes = 0;       // of a row's payload
    uint64_t savedBytes = 0;     // of the saved stream
    size_t channels = 0;         // in an observation
    uint64_t observedBytes = 0;  // of an observation's payload; 0 when none was asked for
};
// `requestBytes`: the size of the encoded request.
MessageLimits LimitsFor(const EngineRequest& request, size_t requestBytes);

// One message, framed: its tag, its length, its payload.
std::vector<uint8_t> EncodeHello();
std::vector<uint8_t> EncodeWarning(const std::string& text);
std::vector<uint8_t> EncodeBeforeFrame(size_t frame);
std::vector<uint8_t> EncodeRow(const std::vector<Cell>& row);
std::vector<uint8_t> EncodeSaved(const std::vector<uint8_t>& stream);
std::vector<uint8_t> EncodeFailed(int exitCode, const std::string& message);
std::vector<uint8_t> EncodeObserved(const Observation& observation);
std::vector<uint8_t> EncodeDone();

// A message taken apart as it arrives: feed bytes in, take whole messages out. The first
// message must be the engine's Hello of this version; the reader checks it and passes it by.
class MessageReader {
public:
    // `peer` names the engine process in the lines of a failed greeting.
    MessageReader(const MessageLimits& limits, std::string peer)
        : limits(limits), peer(std::move(peer)) {}

    void Append(const uint8_t* data, size_t size) {
        buffer.insert(buffer.end(), data, data + size);
    }
    // The next whole message's tag, or nothing until all its bytes have arrived. Throws RunError
    // as soon as a tag or a declared size cannot be right.
    std::optional<Tag> Next();
    // The payload of the message Next() returned, taken apart by its tag. Each throws RunError
    // when the payload does not hold what its tag says.
    std::string Text() const;
    size_t Frame() const;
    std::vector<Cell> Row() const;
    std::vector<uint8_t> Saved() const;
    int ExitCode() const;  // of Failed; Text() gives its line
    Observation Observed() const;

    bool Empty() const { return consumed == buffer.size(); }

private:
    // Throws when the header at `consumed` cannot begin a message of this run.
    void CheckHeader() const;

    MessageLimits limits;
    std::string peer;
    bool greeted = false;
    std::vector<uint8_t> buffer;
    size_t consumed = 0;      // bytes of messages already taken
    size_t payloadStart = 0;  // of the current message
    size_t payloadSize = 0;
};

}  // namespace quantifier_run::wire
