// What a program that follows a file needs to see that it changed: editors save by writing in
// place, which changes the size or the modification time, or by renaming a new file over the
// old one, which may keep both and changes only which file the name holds.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct FileStamp {
    bool exists = false;  // false: nothing at the path (or it cannot be looked at)
    uint64_t volume = 0;  // the file's identity: device and inode, or volume and file index
    uint64_t index = 0;
    uint64_t size = 0;
    int64_t modified = 0;  // the last write, in the system's own unit and epoch
    // Neither a file nor a folder: a FIFO, socket or device, whose opening or reading can wait
    // for a writer that never comes.
    bool special = false;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at `path` (UTF-8), through symbolic links. A path that names nothing,
// or that cannot be looked at, gives a stamp with `exists` false and every other field 0.
FileStamp QueryFileStamp(const std::string& path);

}  // namespace platform
