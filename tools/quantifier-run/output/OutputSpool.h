// Where a run's output waits until the whole run has succeeded: in memory while it is small,
// then in an unnamed temporary file, so that a run of any length holds only a bounded part of
// its output in memory.
#pragma once

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace quantifier_run {

class OutputSpool {
public:
    // Bytes held in memory before the spool moves to a temporary file.
    static constexpr size_t kMemoryBytes = size_t{8} << 20;

    // Throws RunError when the temporary file cannot be made or written.
    void Write(std::string_view text);

    // Hands everything written, in order and in pieces, to `sink(std::string_view)`, which
    // returns false to stop. False when the sink stopped or the temporary file could not be
    // read back.
    template <class Sink>
    bool ReadBack(Sink&& sink);

    // Writes everything to `out`; false when a write failed.
    bool CopyTo(std::ostream& out);

private:
    void Spill();
    bool ReadFileBack(bool (*piece)(void*, std::string_view), void* context);

    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::string memory;
    std::unique_ptr<std::FILE, Closer> file;
};

template <class Sink>
bool OutputSpool::ReadBack(Sink&& sink) {
    if (!file) return sink(std::string_view(memory));
    return ReadFileBack(
        [](void* context, std::string_view piece) { return (*static_cast<Sink*>(context))(piece); },
        &sink);
}

// Writes `text` to `out` and says whether it arrived (a full disk or a closed pipe says no).
bool WriteOut(std::ostream& out, std::string_view text);

}  // namespace quantifier_run
