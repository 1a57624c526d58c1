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

// Writes the stream so that `path` holds either its old content or all of the new one.
void WriteStream(const std::string& path, const std::vector<uint8_t>& bytes);

// Loads each record of the stream at `path` into the scene's channel of the same name (the
// name the record's own name block holds). Records that name no channel of the scene are
// skipped and reported in `warnings`. Throws RunError when the file cannot be read, is no
// scene stream, names one channel twice, or a channel refuses its record.
void LoadChannels(LiveScene& live, const std::string& path, std::vector<std::string>& warnings);

}  // namespace quantifier_run
