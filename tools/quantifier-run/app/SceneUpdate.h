// --update: the run's values written into what it is held to, the golden csv or the scene's own
// "expect", changing only the values that differ and keeping the rest of the file as it is.
#pragma once

#include <ostream>

#include "app/CommandLine.h"
#include "app/Run.h"

namespace quantifier_run {

// Writes the --expect file from the run's rows, or else the values of the scene's expectations
// the run did not meet; tells on `err` what it changed. Gives the exit status.
int UpdateExpected(const Options& options, RunOutput& output, std::ostream& err);

// Where in `text` the value that begins at `offset` ends: a JSON value, scanned by its brackets
// and strings.
size_t JsonValueEnd(std::string_view text, size_t offset);

}  // namespace quantifier_run
