#include <windows.h>

#include "FileStamp.h"
#include "TextCodec.h"

namespace platform {

FileStamp QueryFileStamp(const std::string& path) {
    const auto wide = codec::Utf8ToUtf16<wchar_t>(path, codec::OnInvalid::Refuse);
    if (!wide) return {};
    // Opened for its attributes only and sharing everything, so that an editor may write,
    // rename over or delete the file while it is looked at.
    const HANDLE file = CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    // Named pipes and consoles are what a read can wait on.
    const bool special = GetFileType(file) != FILE_TYPE_DISK;
    CloseHandle(file);
    if (!known) return {};
    const auto join = [](DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; };
    FileStamp stamp;
    stamp.exists = true;
    stamp.volume = information.dwVolumeSerialNumber;
    stamp.index = join(information.nFileIndexHigh, information.nFileIndexLow);
    stamp.size = join(information.nFileSizeHigh, information.nFileSizeLow);
    // 100-nanosecond steps since 1601.
    stamp.modified = static_cast<int64_t>(join(information.ftLastWriteTime.dwHighDateTime,
                                               information.ftLastWriteTime.dwLowDateTime));
    stamp.special = special;
    return stamp;
}

}  // namespace platform
