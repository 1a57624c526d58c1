#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "Process.h"

namespace platform {

std::string ExecutablePath() {
    // Linux names the executable through procfs; elsewhere the answer is "cannot tell".
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

const char* PathSeparators() {
    return "/";
}

bool StandardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

void UseBinaryStandardOutput() {}

void UseBinaryStandardInput() {}

}  // namespace platform
