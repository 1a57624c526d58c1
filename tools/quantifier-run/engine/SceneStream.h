// Saving a run's channels to a scene stream and restoring them from one, matched by name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LiveScene.h"

namespace quantifier_run {

// Every channel of the scene, in listed order, one record each. Throws RunError when a
// channel fails to save.
std::vector<uint8_t> SaveChannels(LiveScene& live);

// Loads each record of the stream `bytes`, read from `path`, into the scene's channel of the same
// name (the name the record's own name block holds). Records that name no channel of the scene are
// skipped and reported in `warnings`. All or nothing: the whole stream is checked before any
// channel loads, and any damage (a record or block running past its end, a bad or repeated tag,
// a quantifier block of the wrong size, bytes after the last record, a channel named twice)
// throws RunError with one line naming the file and the byte offset, with no channel changed.
void LoadChannels(LiveScene& live, std::vector<uint8_t> bytes, const std::string& path,
                  std::vector<std::string>& warnings);

}  // namespace quantifier_run
