// quantifier-run: the headless host that runs scenes of Quantifier channels.
#include <iostream>

#include "Process.h"
#include "ProgramStart.h"
#include "app/Runner.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // Rows are the same bytes on every system.
    platform::UseBinaryStandardOutput();
    // A save beyond the file-size limit is then a failed save, reported, not a killed run.
    platform::ReportFileSizeLimitAsError();
    return quantifier_run::RunQuantifierTool(platform::CommandLineArguments(argc, argv), std::cout,
                                             std::cerr, platform::StandardOutputIsTerminal(),
                                             platform::StandardErrorIsTerminal());
}
