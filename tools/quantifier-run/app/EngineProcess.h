// The engine side of a run in another process: the request goes to its standard input, and its
// messages come back on its standard output as the frames run (EngineWire.h). The same events
// and results as RunEngine in this process, so the runner's output cannot tell them apart.
#pragma once

#include <functional>
#include <string>

#include "engine/EngineSession.h"

namespace quantifier_run {

// Starts `command` through the system's shell and runs `request` there. Throws RunError with the
// engine's own status and line when the run failed there, and when the process cannot be
// started or ends without finishing. `whileWaiting`, when given, is called now and then while
// the process is awaited; what it throws ends the run there, and the process with it.
std::optional<std::vector<uint8_t>> RunEngineProcess(
    const std::string& command, const EngineRequest& request, const EngineEvents& events,
    const std::function<void()>& whileWaiting = {});

}  // namespace quantifier_run
