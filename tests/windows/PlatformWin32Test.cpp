// The OS layer against the real Win32 file services: sharing decides what opens, the
// attributes are the system's own, and file times are FILETIMEs as set.
#include <gtest/gtest.h>

#include "Platform.h"
#include "support/windows/Win32TestSupport.h"

namespace {

using platform::FileHandle;
using platform::ShareMode;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What another program holds decides: the reader must admit the other's access, and the
// other must admit reading.
TEST(Win32Files, ShareModesDecideWhetherAFileInUseOpens) {
    TempDirectory dir;
    const std::string path = dir.File("in-use", 7);
    struct Case {
        const char* label;
        DWORD access;  // of the other program's handle
        DWORD share;
        bool readWriteOpens;  // ShareMode::ReadWrite (FileSize)
        bool readOpens;       // ShareMode::Read (FileTimeCompare)
    };
    const Case cases[] = {
        {"writer sharing reading and writing", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
         true, false},
        {"writer sharing reading only", GENERIC_WRITE, FILE_SHARE_READ, true, false},
        {"writer sharing nothing", GENERIC_WRITE, 0, false, false},
        {"reader sharing reading", GENERIC_READ, FILE_SHARE_READ, true, true},
        {"reader sharing everything", GENERIC_READ, kShareAll, true, true},
        {"reader sharing nothing", GENERIC_READ, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const ScopedHandle other = OpenAs(path, c.access, c.share);
        ASSERT_TRUE(other.IsOpen());
        const int before = OpenHandleCount();
        {
            const FileHandle readWrite = OpenPath(path, ShareMode::ReadWrite);
            EXPECT_EQ(readWrite.IsOpen(), c.readWriteOpens);
            if (readWrite.IsOpen()) {
                EXPECT_EQ(readWrite.GetSizeLow(), 7u);
            }
            const FileHandle read = OpenPath(path, ShareMode::Read);
            EXPECT_EQ(read.IsOpen(), c.readOpens);
        }
        EXPECT_EQ(OpenHandleCount(), before);
    }
    // Once the other program is gone both open.
    EXPECT_TRUE(OpenPath(path, ShareMode::Read).IsOpen());
    EXPECT_TRUE(OpenPath(path, ShareMode::ReadWrite).IsOpen());
}

// The tests that use the count to find leaks rely on it seeing every file and directory.
TEST(Win32Files, TheHandleCountSeesFilesAndDirectoriesHeldOpen) {
    TempDirectory dir;
    const std::string file = dir.File("file");
    const std::string folder = dir.Directory("folder");
    const int before = OpenHandleCount();
    {
        const ScopedHandle a = OpenAs(file, GENERIC_READ, kShareAll);
        EXPECT_EQ(OpenHandleCount(), before + 1);
        const ScopedHandle b(::CreateFileW(Wide(folder).c_str(), GENERIC_READ, kShareAll, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(b.IsOpen());
        EXPECT_EQ(OpenHandleCount(), before + 2);
        // Other kinds of handle are not files.
        const ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        EXPECT_EQ(OpenHandleCount(), before + 2);
    }
    EXPECT_EQ(OpenHandleCount(), before);
}

TEST(Win32Files, AttributesAreTheSystemsOwn) {
    TempDirectory dir;
    struct Case {
        const char* label;
        std::string path;
        DWORD set;  // 0: leave as made
        uint32_t expected;
    };
    const Case cases[] = {
        {"plain directory", dir.Directory("plain"), 0, 0x10},
        {"hidden directory", dir.Directory("hidden"), FILE_ATTRIBUTE_HIDDEN, 0x12},
        {"system directory", dir.Directory("system"), FILE_ATTRIBUTE_SYSTEM, 0x14},
        {"hidden system directory", dir.Directory("both"),
         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 0x16},
        {"directory cleared to normal", dir.Directory("normal"), FILE_ATTRIBUTE_NORMAL, 0x10},
        {"hidden file", dir.File("hidden.txt"), FILE_ATTRIBUTE_HIDDEN, 0x02},
        {"missing", dir.Path("missing"), 0, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.set != 0) {
            ASSERT_TRUE(::SetFileAttributesW(Wide(c.path).c_str(), c.set));
        }
        // A file may carry the archive bit besides; only the bits asked for are compared.
        const uint32_t attributes = PathAttributes(c.path);
        if (c.expected == 0xFFFFFFFF || (c.expected & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            EXPECT_EQ(attributes, c.expected);
        } else {
            EXPECT_EQ(attributes & ~static_cast<uint32_t>(FILE_ATTRIBUTE_ARCHIVE), c.expected);
        }
        EXPECT_EQ(attributes, ::GetFileAttributesW(Wide(c.path).c_str()));
    }
}

TEST(Win32Files, LastWriteTimeIsTheFileTimeSetWithSetFileTime) {
    TempDirectory dir;
    const std::string path = dir.File("timed");
    const uint64_t values[] = {
        116444736000000000ull,      // 1970-01-01
        116444736000000001ull,      // 100 ns later
        0x01D0000000000000ull,      // 2015
        0x0200000000000000ull - 1,  // 2055, every bit of the low word set
        0x0200000000000000ull,      // the low word all zero
    };
    for (uint64_t value : values) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(SetLastWriteTime(path, value));
        const auto time = OpenPath(path).GetLastWriteTime();
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(time->lowDateTime, static_cast<uint32_t>(value));
        EXPECT_EQ(time->highDateTime, static_cast<uint32_t>(value >> 32));
    }
}

}  // namespace
