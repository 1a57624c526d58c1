#include "app/EngineProcess.h"

#include "ChildProcess.h"
#include "engine/EngineWire.h"
#include "engine/RunError.h"

namespace quantifier_run {

namespace {
// The messages of one run in the engine process, handed on as they arrive.
struct EngineMessages {
    const std::string& command;
    const EngineRequest& request;
    const EngineEvents& events;
    platform::ChildProcess& child;
    wire::MessageReader reader;
    std::optional<std::vector<uint8_t>> saved;
    bool done = false;

    // Hands on every whole message that has arrived; a failure is thrown, the end is noted.
    void Take() {
        while (const std::optional<wire::Tag> tag = reader.Next()) {
            switch (*tag) {
                case wire::Tag::Hello:  // never returned: the reader checks it and goes on
                    break;
                case wire::Tag::Warning:
                    events.warning(reader.Text());
                    break;
                case wire::Tag::BeforeFrame:
                    events.beforeFrame(reader.Frame());
                    break;
                case wire::Tag::Row:
                    events.row(reader.Row());
                    break;
                case wire::Tag::Saved:
                    saved = reader.Saved();
                    break;
                case wire::Tag::Observed:
                    if (!request.observe || !events.observed)
                        throw RunError(kExitFailure,
                                       "the engine process " + command +
                                           " sent an observation that was not asked for");
                    events.observed(reader.Observed());
                    break;
                case wire::Tag::Failed: {
                    // Only the runner's own statuses: anything else is the process's damage.
                    const int code =
                        reader.ExitCode() == kExitBadInput ? kExitBadInput : kExitFailure;
                    const std::string line = reader.Text();
                    child.Wait();
                    throw RunError(code, line);
                }
                case wire::Tag::Done:
                    done = true;
                    return;
            }
        }
    }
};
}  // namespace

std::optional<std::vector<uint8_t>> RunEngineProcess(const std::string& command,
                                                     const EngineRequest& request,
                                                     const EngineEvents& events,
                                                     const std::function<void()>& whileWaiting) {
    std::string reason;
    platform::ChildProcess child = platform::ChildProcess::Start(command, &reason, whileWaiting);
    if (!child.Running())
        throw RunError(kExitFailure, "cannot start the engine process " + command + ": " + reason);
    const std::vector<uint8_t> bytes = wire::EncodeRequest(request);
    const auto ended = [&](const std::string& what) {
        return RunError(kExitFailure,
                        "the engine process " + command + " " + what + " (" + child.Wait() + ")");
    };
    EngineMessages messages{command,
                            request,
                            events,
                            child,
                            wire::MessageReader(wire::LimitsFor(request, bytes.size()), command),
                            std::nullopt};
    // What the process says while the request is still going in is taken as it comes: a program
    // that writes without reading (not an engine) is found out instead of holding the write up
    // for good. A process that stops reading early has said why on its output, or ended: both
    // are reported below.
    child.Write(bytes.data(), bytes.size(), [&](const uint8_t* data, size_t size) {
        messages.reader.Append(data, size);
        if (!messages.done) messages.Take();
    });
    child.CloseInput();
    std::vector<uint8_t> buffer(size_t{1} << 16);
    while (!messages.done) {
        messages.Take();
        if (messages.done) break;
        const std::optional<size_t> count = child.Read(buffer.data(), buffer.size());
        if (!count) throw ended("could not be read");
        if (*count == 0) throw ended("ended before the run finished");
        messages.reader.Append(buffer.data(), *count);
    }
    child.Wait();
    return std::move(messages.saved);
}

}  // namespace quantifier_run
