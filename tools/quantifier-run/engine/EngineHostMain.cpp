// quantifier-engine: the engine side of quantifier-run as a program of its own. It reads one
// request on standard input, runs it and writes the engine's messages on standard output
// (EngineWire.h). Built in the engine's own ABI too, where the runner's parsing and formatting
// libraries are not at hand: it needs nothing but the engine, the plug-in and the C++ core.
#include <cstdio>
#include <optional>
#include <vector>

#include "Process.h"
#include "engine/EngineSession.h"
#include "engine/EngineWire.h"
#include "engine/RunError.h"

namespace {

using namespace quantifier_run;

class Output {
public:
    ~Output() { Flush(); }
    void Send(const std::vector<uint8_t>& message) {
        pending.insert(pending.end(), message.begin(), message.end());
        if (pending.size() >= (size_t{1} << 16)) Flush();
    }
    void Flush() {
        if (!pending.empty()) std::fwrite(pending.data(), 1, pending.size(), stdout);
        pending.clear();
        std::fflush(stdout);
    }

private:
    std::vector<uint8_t> pending;
};

std::vector<uint8_t> ReadAll(std::FILE* input) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    for (;;) {
        const size_t count = std::fread(chunk, 1, sizeof chunk, input);
        bytes.insert(bytes.end(), chunk, chunk + count);
        if (count < sizeof chunk) break;
    }
    return bytes;
}

void Serve(Output& output) {
    const EngineEvents events{
        .warning = [&](const std::string& text) { output.Send(wire::EncodeWarning(text)); },
        .beforeFrame = [&](size_t frame) { output.Send(wire::EncodeBeforeFrame(frame)); },
        .row = [&](const std::vector<Cell>& row) { output.Send(wire::EncodeRow(row)); },
        .observed = [&](const Observation& seen) { output.Send(wire::EncodeObserved(seen)); },
    };
    const std::optional<std::vector<uint8_t>> saved =
        RunEngine(wire::DecodeRequest(ReadAll(stdin)), events);
    if (saved) output.Send(wire::EncodeSaved(*saved));
    output.Send(wire::EncodeDone());
}

}  // namespace

int main() {
    // A crash is reported by the runner, which sees this process end; nobody is there to answer.
    platform::EndQuietlyOnCrash();
    platform::UseBinaryStandardInput();
    platform::UseBinaryStandardOutput();
    Output output;
    // Sent before the request is read, so that a runner of another version, or one that has
    // started another program, can tell at once.
    output.Send(wire::EncodeHello());
    output.Flush();
    // Every failure goes back as a message: the runner reports it as its own.
    if (const std::optional<Failure> failure = Attempt([&] { Serve(output); }))
        output.Send(wire::EncodeFailed(failure->exitCode, failure->message));
    return 0;
}
