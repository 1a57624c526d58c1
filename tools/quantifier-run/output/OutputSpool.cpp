#include "output/OutputSpool.h"

#include <cerrno>
#include <cstring>

#include "engine/RunError.h"

namespace quantifier_run {
namespace {
[[noreturn]] void SpoolFailed(const char* what, int errorNumber) {
    throw RunError(kExitFailure, std::string("cannot hold the results in a temporary file (") +
                                     what + "): " + std::strerror(errorNumber));
}
}  // namespace

void OutputSpool::Spill() {
    file.reset(std::tmpfile());
    if (!file) SpoolFailed("cannot make it", errno);
    if (std::fwrite(memory.data(), 1, memory.size(), file.get()) != memory.size())
        SpoolFailed("cannot write it", errno);
    std::string().swap(memory);
}

void OutputSpool::Write(std::string_view text) {
    if (!file && memory.size() + text.size() <= kMemoryBytes) {
        memory.append(text);
        return;
    }
    if (!file) Spill();
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
        SpoolFailed("cannot write it", errno);
}

bool OutputSpool::ReadFileBack(bool (*piece)(void*, std::string_view), void* context) {
    if (std::fflush(file.get()) != 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    std::string buffer(size_t{1} << 16, '\0');
    size_t count;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        if (!piece(context, std::string_view(buffer.data(), count))) return false;
    }
    return std::ferror(file.get()) == 0;
}

bool OutputSpool::CopyTo(std::ostream& out) {
    return ReadBack([&](std::string_view piece) { return WriteOut(out, piece); });
}

bool WriteOut(std::ostream& out, std::string_view text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

}  // namespace quantifier_run
