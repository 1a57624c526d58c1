// One invocation of the runner, from arguments to exit status, with its streams given so
// that it can run inside another program as well as from main.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quantifier_run {

// Runs the command line `arguments` (without the program's name). Results go to `out` only
// when the whole run succeeded; warnings and the one line of an error go to `err`.
// `outIsTerminal` picks the default format; `errIsTerminal` lets a long run show its progress
// on `err`.
int RunQuantifierTool(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool outIsTerminal, bool errIsTerminal = false);

struct WatchControl;

// The same, with --watch waiting and ending as `watchControl` says (null: in real time, until
// Ctrl-C).
int RunQuantifierTool(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool outIsTerminal, bool errIsTerminal,
                      const WatchControl* watchControl);

}  // namespace quantifier_run
