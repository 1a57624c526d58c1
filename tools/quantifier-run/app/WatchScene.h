// The ways of running a scene that follow its file: a watch that prints each run's results, and
// a served page.
#pragma once

#include <ostream>

#include "app/CommandLine.h"
#include "app/Watch.h"

namespace quantifier_run {

// Runs the scene again after every change of its file or of the stream it loads, until Ctrl-C
// (or `given`, in a test) ends the watch.
int WatchScene(const Options& options, std::ostream& out, std::ostream& err, bool outIsTerminal,
               bool errIsTerminal, const WatchControl* given);

// Serves the page of the scene while running it again after every save, as WatchScene does.
// In a build without the server it fails with the line ServeUnavailableReason gives.
int ServeScene(const Options& options, std::ostream& err, bool errIsTerminal,
               const WatchControl* given);

// Whether this build can serve, and when it cannot, why, in one sentence.
bool ServeAvailable();
const char* ServeUnavailableReason();

}  // namespace quantifier_run
