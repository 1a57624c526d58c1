// A run held to what it should give, beyond a plain run: the rows of a golden csv (--expect),
// another run's rows (--diff), and the values written back (--update). A difference comes with
// the explanation of the channel at the frame it first shows.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Run.h"

namespace quantifier_run {

// What a run made with expectations kept (ExpectationsGo::Kept) differs in: the scene's
// expectations it did not meet and, with --expect, the golden file's columns its rows differ in,
// each a line, the first of each kind followed by its explanation, indented. Empty: none.
std::vector<std::string> Differences(const Options& options, RunOutput& output);

// A run with --expect, --diff or --update (or a --diff of two csv files); gives the exit status.
int CompareRun(const Options& options, std::ostream& out, std::ostream& err, bool errIsTerminal);

}  // namespace quantifier_run
