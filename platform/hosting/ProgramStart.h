// How a command-line program starts: its arguments as UTF-8 and the process settings that let
// its failures be reported rather than end it.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments, without its own name, as UTF-8. POSIX hands them over as they are;
// Windows reads the UTF-16 command line, because its argv holds the arguments in the ANSI code
// page, where characters outside that page are already lost.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes a write beyond the process's file-size limit fail with an error the program can report
// (POSIX sends a signal that ends the process by default); nothing to do on Windows.
void ReportFileSizeLimitAsError();

}  // namespace platform
