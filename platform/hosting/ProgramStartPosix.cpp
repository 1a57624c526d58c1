#include <csignal>

#include "ProgramStart.h"

namespace platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void ReportFileSizeLimitAsError() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace platform
