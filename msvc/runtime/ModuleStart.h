// The start and end of a module, shared by the entries of DLLs and programs.
#pragma once

// Makes the stack cookie and runs the module's static initialisers; false when a C initialiser
// failed, and the module must not go on.
extern "C" bool QuantifierStartModule();
// Runs the module's exit list (static destructors, newest first), then its terminators.
extern "C" void QuantifierEndModule();
