#include "EngineProcess.h"

#include "ChildProcess.h"
#include "EngineWire.h"
#include "RunError.h"

namespace quantifier_run {

std::optional<std::vector<uint8_t>> RunEngineProcess(const std::string& command,
                                                     const EngineRequest& request,
                                                     const EngineEvents& events,
                                                     const std::function<void()>& whileWaiting) {
    std::string reason;
    platform::ChildProcess child = platform::ChildProcess::Start(command, &reason, whileWaiting);
    if (!child.Running())
        throw RunError(kExitFailure, "cannot start the engine process " + command + ": " + reason);
    // A process that stops reading early has said why on its output, or ended: both are
    // reported below.
    const std::vector<uint8_t> bytes = wire::EncodeRequest(request);
    child.Write(bytes.data(), bytes.size());
    child.CloseInput();

    const auto ended = [&](const std::string& what) {
        return RunError(kExitFailure,
                        "the engine process " + command + " " + what + " (" + child.Wait() + ")");
    };
    wire::MessageReader reader(wire::LimitsFor(request, bytes.size()), command);
    std::optional<std::vector<uint8_t>> saved;
    std::vector<uint8_t> buffer(size_t{1} << 16);
    for (;;) {
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
                case wire::Tag::Failed: {
                    // Only the runner's own statuses: anything else is the process's damage.
                    const int code =
                        reader.ExitCode() == kExitBadInput ? kExitBadInput : kExitFailure;
                    const std::string line = reader.Text();
                    child.Wait();
                    throw RunError(code, line);
                }
                case wire::Tag::Done:
                    child.Wait();
                    return saved;
            }
        }
        const std::optional<size_t> count = child.Read(buffer.data(), buffer.size());
        if (!count) throw ended("could not be read");
        if (*count == 0) throw ended("ended before the run finished");
        reader.Append(buffer.data(), *count);
    }
}

}  // namespace quantifier_run
