// Saving a run's channels to a scene stream and restoring them from one, matched by name.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/LiveScene.h"

namespace quantifier_run {

// Every channel of the scene, in listed order, one record each. Throws RunError when a
// channel fails to save.
std::vector<uint8_t> SaveChannels(LiveScene& live);

// Loads each record of the stream `bytes`, read from `path`, into the scene's channel of the same
// name (the name the record's own name block holds). Records that name no channel of the scene are
// skipped and reported in `warnings`. All or nothing: the whole stream is checked before any
// channel loads, and any damage (a record or block running past its end, a bad or repeated tag,
// a block a quantifier would read holding another size than its field, bytes after the last
// record, a channel named twice) throws RunError with one line naming the file and the byte
// offset, with no channel changed.
// A record that gives a quantifier an operation its links do not suit is reported too, unless
// `operationSetAtFirstFrame` (by channel) says an action replaces it before it is evaluated.
void LoadChannels(LiveScene& live, std::vector<uint8_t> bytes, const std::string& path,
                  const std::vector<bool>& operationSetAtFirstFrame,
                  std::vector<std::string>& warnings);

// The operation each record of the stream `bytes` gives, by the record's name: what loading it
// would set. Changes nothing and reports nothing: a stream damaged past some record gives the
// operations of the records before, and LoadChannels reports the damage.
std::map<std::string, int32_t> RecordOperations(const std::vector<uint8_t>& bytes);

}  // namespace quantifier_run
