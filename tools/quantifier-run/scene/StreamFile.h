// Scene streams as files: read whole before anything loads, written so that a failed save
// leaves the old file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quantifier_run {

// The bytes of the stream at `path`. Throws RunError when the file cannot be read or is larger
// than kMaxStreamBytes.
std::vector<uint8_t> ReadStream(const std::string& path);

// Writes the stream so that `path` holds either its old content or all of the new one.
void WriteStream(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace quantifier_run
