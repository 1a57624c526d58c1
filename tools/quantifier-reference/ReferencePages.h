// The operations reference: one Markdown page per operation and an index by family, made from
// the operation table, the prose written for each operation and the runs of its example scene.
#pragma once

#include <filesystem>
#include <string>

namespace quantifier_reference {

struct ReferenceSources {
    std::filesystem::path prose;     // NN-Name.md for each operation, and README.md
    std::filesystem::path examples;  // NN-Name.json for each operation, run from this folder
};

// Writes the pages, charts and csv files of every operation and the index into `out`, which
// must exist. Throws std::runtime_error naming the operation or file when a source is missing
// or an example does not run cleanly under --strict.
void WriteReference(const ReferenceSources& sources, const std::filesystem::path& out);

}  // namespace quantifier_reference
