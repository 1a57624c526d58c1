#include <sys/stat.h>

#include "FileStamp.h"

namespace platform {

FileStamp QueryFileStamp(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return {};
    FileStamp stamp;
    stamp.exists = true;
    stamp.volume = static_cast<uint64_t>(status.st_dev);
    stamp.index = static_cast<uint64_t>(status.st_ino);
    stamp.size = static_cast<uint64_t>(status.st_size);
    // Nanoseconds: two saves within one second are two changes.
    stamp.modified = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                     static_cast<int64_t>(status.st_mtim.tv_nsec);
    stamp.special = !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
    return stamp;
}

}  // namespace platform
