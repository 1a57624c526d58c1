// quantifier-run: the headless host that runs scenes of Quantifier channels.
#include <iostream>

#include "Process.h"
#include "Runner.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // Rows are the same bytes on every system.
    platform::UseBinaryStandardOutput();
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return quantifier_run::RunQuantifierTool(arguments, std::cout, std::cerr,
                                             platform::StandardOutputIsTerminal(),
                                             platform::StandardErrorIsTerminal());
}
