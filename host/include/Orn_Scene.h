// Scenes: the channels of a scene saved one record each into one stream (Orn_FileStream.h),
// and loaded back into new channel objects.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Orn_Channel.h"
#include "Orn_FileStream.h"

class Orn_ChannelGroup;

// Appends one record per channel, in order, each filled by the channel's SaveChannel. False when
// a channel is null, its SaveChannel fails or it leaves its record damaged; that record is then
// dropped, the records before it stay in the saver and no further channel is saved.
bool OrnSaveScene(OrnFileSaver& saver, std::span<Orn_Channel* const> channels);
// Saves the channels into the file at `path`, atomically (OrnWriteFileAtomically). False, with the
// reason in `error`, when a channel fails to save or the file cannot be written; the file at
// `path` is then untouched.
bool OrnSaveSceneToFile(const std::string& path, std::span<Orn_Channel* const> channels,
                        std::string* error = nullptr);

// Makes the channel object the next record is loaded into; null refuses the record.
using OrnChannelMaker = std::function<std::unique_ptr<Orn_Channel>()>;
// Loads every remaining record of the stream, in order, each into a new channel from `make`
// through its LoadChannel. All or nothing: true only when every record loaded and the stream
// ended cleanly. Otherwise `channels` is empty, every channel made was destroyed and `error`
// says which record failed and why. `channels` is replaced either way.
bool OrnLoadScene(OrnFileLoader& loader, const OrnChannelMaker& make, Orn_ChannelGroup* group,
                  std::vector<std::unique_ptr<Orn_Channel>>& channels,
                  std::string* error = nullptr);
