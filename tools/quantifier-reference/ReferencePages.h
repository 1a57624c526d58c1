// The operations reference: one Markdown page per operation, an index by family and the
// conventions page, made from the operation table, the prose and cases written for each
// operation and the runs of its cases and its example scene.
//
// An operation's prose (NN-Name.md) is what it computes, then sections: "At the edges"
// (required), "Common mistakes", "See also", "Scene" (one ```json block of what the scene to
// paste needs besides the children, in the keys of a case), "SetOperationType" and
// "CallChannel" (in place of what the state kept says). Blocks of cases (ReferenceCases.h) may
// stand in any of them. An operation named in code links to its page; a source file named in
// code must exist; a number the prose states must stand in a table or code block of its page.
#pragma once

#include <filesystem>
#include <string>

namespace quantifier_reference {

struct ReferenceSources {
    std::filesystem::path root;      // the project's sources, where files named in prose are
    std::filesystem::path prose;     // NN-Name.md for each operation, and README.md
    std::filesystem::path examples;  // NN-Name.json for each operation, run from this folder
};

// Writes the pages, charts and csv files of every operation, the index and the conventions
// into `out`, which must exist. Throws std::runtime_error naming the operation or file when a
// source is missing, a case does not run, or an example does not run cleanly under --strict.
void WriteReference(const ReferenceSources& sources, const std::filesystem::path& out);

}  // namespace quantifier_reference
