// A run's output written to a file instead of standard output, as a preview that reloads the
// file expects it: replaced whole, never seen half written.
#pragma once

#include <string>

#include "output/OutputFormats.h"

namespace quantifier_run {

// The format a file named `path` asks for by its extension (kOutputFormats, in any case);
// kOutputFormatOtherwise for anything else.
OutputFormat OutputFormatForPath(const std::string& path);

// Writes everything `rows` holds to `path`, which afterwards holds either its old content or
// all of the new one, as a save does (OrnWriteFileAtomically). The rows are copied from their
// spool in pieces, never held whole. Throws RunError when the file cannot be written.
void WriteOutputFile(const std::string& path, RowWriter& rows);

}  // namespace quantifier_run
