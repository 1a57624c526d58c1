// The parts of FileHandle that are the same on every OS: ownership moves with the handle,
// and whoever holds it last closes it (Close is the OS's own).
#include <utility>

#include "Platform.h"

namespace platform {

FileHandle::~FileHandle() {
    Close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : native(std::exchange(other.native, kClosed)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        native = std::exchange(other.native, kClosed);
    }
    return *this;
}

}  // namespace platform
