// Arbitrary bytes on the engine process's wire, from either end. The first byte chooses the end:
// even, the rest is a request for the engine, which either decodes to one that encodes back to
// the same bytes or is refused with one line; odd, the rest is what an engine process writes,
// fed to the runner's reader in uneven pieces, each message taken apart by its tag, until the
// bytes end or one line refuses them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/EngineWire.h"
#include "engine/RunError.h"

namespace {
using namespace quantifier_run;

[[noreturn]] void Fail(const char* what, const std::string& message) {
    std::fprintf(stderr, "engine wire fuzz: %s: [%s]\n", what, message.c_str());
    std::abort();
}

void CheckRefusal(const RunError& error) {
    const std::string message = error.what();
    if (error.ExitCode() != kExitFailure) Fail("a refusal is not exit status 1", message);
    if (message.empty() || message.find_first_of("\n\r") != std::string::npos)
        Fail("the refusal is not one line", message);
}

void Request(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    try {
        const EngineRequest request = wire::DecodeRequest(bytes);
        if (wire::EncodeRequest(request) != bytes)
            Fail("a request does not encode back to its bytes", "");
    } catch (const RunError& error) {
        CheckRefusal(error);
    }
}

// What the reader expects: the messages of a run of a float and a text output that observes them,
// as small as the inputs, so that the size limits are met often and crossed often.
wire::MessageLimits Limits() {
    EngineRequest request;
    request.scene.channels.resize(2);
    request.scene.channels[1].kind = ChannelKind::Text;
    request.scene.outputs = {0, 1};
    request.observe = ObserveRequest{.frame = 0, .sparkColumns = 4};
    return wire::LimitsFor(request, 64);
}

void Messages(const uint8_t* data, size_t size) {
    wire::MessageReader reader(Limits(), "fuzz");
    try {
        size_t piece = 1;
        for (size_t at = 0; at < size; at += piece, piece = piece % 7 + 1) {
            reader.Append(data + at, std::min(piece, size - at));
            while (const auto tag = reader.Next()) {
                switch (*tag) {
                    case wire::Tag::Warning:
                        reader.Text();
                        break;
                    case wire::Tag::BeforeFrame:
                        reader.Frame();
                        break;
                    case wire::Tag::Row:
                        reader.Row();
                        break;
                    case wire::Tag::Saved:
                        reader.Saved();
                        break;
                    case wire::Tag::Observed:
                        reader.Observed();
                        break;
                    case wire::Tag::Failed:
                        reader.ExitCode();
                        reader.Text();
                        break;
                    case wire::Tag::Hello:
                        Fail("the reader handed out its Hello", "");
                    case wire::Tag::Done:
                        break;
                }
            }
        }
    } catch (const RunError& error) {
        CheckRefusal(error);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if (data[0] % 2 == 0) {
        Request(data + 1, size - 1);
    } else {
        Messages(data + 1, size - 1);
    }
    return 0;
}
