// The running program itself: where its executable lives and where its output goes. Hosts use
// these to find plug-ins installed beside them and to choose how to present results.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The full path (UTF-8) of the running program's executable; empty when the system cannot
// tell.
std::string ExecutablePath();

// The characters that end a folder's name in a path: the slash on POSIX, the backslash and the
// slash on Windows.
const char* PathSeparators();

// True when the process's standard output is an interactive terminal (a console), false when
// it goes to a file or a pipe.
bool StandardOutputIsTerminal();
// The same for standard error.
bool StandardErrorIsTerminal();

// Makes standard output carry the program's bytes unchanged. Windows starts it in text mode,
// which writes every "\n" as "\r\n", so one run would give different files on different
// systems; POSIX has nothing to change. Call before anything is written.
void UseBinaryStandardOutput();
// The same for standard input: its bytes arrive unchanged.
void UseBinaryStandardInput();

// Makes a crash end the process at once with an error status. Windows would otherwise show an
// error dialog, and Wine start its debugger, and both wait for someone to answer. POSIX has
// nothing to change. For programs that run unattended, as another program's child.
void EndQuietlyOnCrash();

// Reads the whole of standard input, as bytes (Windows would otherwise turn "\r\n" into
// "\n"). False, with `reason` set, when reading fails or more than `limit` bytes arrive.
bool ReadStandardInput(std::string& bytes, size_t limit, std::string& reason);

// Lets the terminal standard output shows on take the control sequences that clear it and go
// to its top, so that a program can draw its output again in place (a Windows console takes
// them only when asked). False when standard output is no such terminal.
bool EnableTerminalRedraw();

// How many columns the terminal standard error shows on has; 0 when it is no terminal or the
// system cannot tell.
size_t StandardErrorColumns();

}  // namespace platform
