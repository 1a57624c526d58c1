#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

void EndQuietlyOnCrash() {}

bool ReadStandardInput(std::string& bytes, size_t limit, std::string& reason) {
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count == 0) return true;
        if (count < 0) {
            if (errno == EINTR) continue;
            reason = std::string("cannot read standard input: ") + std::strerror(errno);
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(count));
        if (bytes.size() > limit) {
            reason = "standard input: it is larger than " + std::to_string(limit) + " bytes";
            return false;
        }
    }
}

bool EnableTerminalRedraw() {
    return StandardOutputIsTerminal();
}

size_t StandardErrorColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

}  // namespace platform
