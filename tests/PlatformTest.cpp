// The OS layer's file calls on every OS: what opens, what a handle reports, how times order.
#include <gtest/gtest.h>

#include "support/FileTestSupport.h"
#include "Platform.h"

namespace {

using platform::FileHandle;
using platform::ShareMode;

uint64_t Intervals(const platform::FileTime& time) {
    return (static_cast<uint64_t>(time.highDateTime) << 32) | time.lowDateTime;
}

constexpr uint64_t kIntervalsAt1970 = 116444736000000000ull;

TEST(PlatformFiles, NullPathsFailAndSurrogatePairsReachTheFile) {
    TempDirectory dir;
    EXPECT_EQ(platform::GetPathAttributes(nullptr), platform::kInvalidFileAttributes);
    EXPECT_FALSE(FileHandle::OpenForReading(nullptr, ShareMode::ReadWrite).IsOpen());
    // A pair of surrogates is one character and reaches the file.
    dir.File("\xF0\x9F\x98\x80", 5);
    const OrnWideString widePath = Wide(dir.Path("")) + OrnWideString{0xD83D, 0xDE00};
    EXPECT_EQ(FileHandle::OpenForReading(widePath.c_str(), ShareMode::Read).GetSizeLow(), 5u);
    EXPECT_NE(platform::GetPathAttributes(widePath.c_str()), platform::kInvalidFileAttributes);
    EXPECT_EQ(platform::GetPathAttributes(widePath.c_str()) & platform::kFileAttributeDirectory,
              0u);
}

TEST(PlatformFiles, OpenSucceedsForFilesOnlyAndLeavesNoHandleBehind) {
    TempDirectory dir;
    const int before = OpenHandleCount();
    struct Case {
        const char* label;
        std::string path;
        bool opens;
    };
    const Case cases[] = {
        {"file", dir.File("file", 10), true},
        {"non-ASCII name", dir.File("caf\xC3\xA9-\xE2\x82\xAC", 1), true},
        {"directory", dir.Directory("dir"), false},
        {"missing", dir.Path("missing"), false},
        {"missing parent", dir.Path("missing/child"), false},
        {"empty path", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (ShareMode share : {ShareMode::Read, ShareMode::ReadWrite}) {
            FileHandle handle = OpenPath(c.path, share);
            EXPECT_EQ(handle.IsOpen(), c.opens);
            EXPECT_EQ(OpenHandleCount(), before + (c.opens ? 1 : 0));
        }
        EXPECT_EQ(OpenHandleCount(), before);
    }

    // Moves hand the handle on; Close and a second Close leave none.
    FileHandle first = OpenPath(dir.Path("file"));
    FileHandle second = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.IsOpen());
    EXPECT_EQ(OpenHandleCount(), before + 1);
    second = OpenPath(dir.Path("file"));  // the old handle is closed by the assignment
    EXPECT_EQ(OpenHandleCount(), before + 1);
    second.Close();
    second.Close();
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(OpenHandleCount(), before);
    // A closed handle answers with the failure values.
    EXPECT_EQ(second.GetSizeLow(), 0xFFFFFFFFu);
    EXPECT_FALSE(second.GetLastWriteTime().has_value());
}

TEST(PlatformFiles, AttributesTellPlainDirectoriesFromEverythingElse) {
    TempDirectory dir;
    struct Case {
        const char* label;
        std::string path;
        bool exists;
        bool plainDirectory;
    };
    const Case cases[] = {
        {"plain directory", dir.Directory("plain"), true, true},
        {"plain directory, trailing slash", dir.Directory("slash") + "/", true, true},
        {"non-ASCII name", dir.Directory("d\xC3\xA9j\xC3\xA0-\xF0\x9F\x98\x80"), true, true},
        {"file", dir.File("file.txt", 3), true, false},
        {"missing path", dir.Path("missing"), false, false},
        {"missing parent", dir.Path("missing/child"), false, false},
        {"empty path", "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const uint32_t attributes = PathAttributes(c.path);
        EXPECT_EQ(attributes != platform::kInvalidFileAttributes, c.exists) << attributes;
        EXPECT_EQ(attributes == platform::kFileAttributeDirectory, c.plainDirectory) << attributes;
    }
}

TEST(PlatformFiles, SizeIsTheLow32Bits) {
    TempDirectory dir;
    struct Case {
        uint64_t size;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 0},
        {1, 1},
        {16777217, 16777217},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string path = dir.File("sized", c.size);
        EXPECT_EQ(OpenPath(path).GetSizeLow(), c.expected);
    }
}

// Sparse files; a file system that cannot hold them skips the test.
TEST(PlatformFiles, SizesOf4GiBAndBeyondKeepTheLow32Bits) {
    TempDirectory dir;
    struct Case {
        uint64_t size;
        uint32_t expected;
    };
    const Case cases[] = {
        {0xFFFFFFFFull, 0xFFFFFFFFu},
        {0x100000000ull, 0},
        {5ull << 30, 1u << 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::string path;
        try {
            path = dir.File("sized", c.size);
        } catch (const FileTooLarge& error) {
            GTEST_SKIP() << "the file system cannot hold " << c.size << " bytes: " << error.what();
        }
        EXPECT_EQ(OpenPath(path).GetSizeLow(), c.expected);
    }
}

TEST(PlatformFiles, LastWriteTimeCounts100NanosecondIntervalsSince1601) {
    TempDirectory dir;
    const std::string path = dir.File("timed");
    struct Case {
        int64_t seconds;
        long nanoseconds;
        uint64_t expected;
    };
    const Case cases[] = {
        {0, 0, kIntervalsAt1970},
        {1, 123456789, kIntervalsAt1970 + 10000000 + 1234567},
        {0, 99, kIntervalsAt1970},  // below the resolution
        {-86400, 0, kIntervalsAt1970 - 864000000000ull},
        {4102444800, 500, kIntervalsAt1970 + 4102444800ull * 10000000 + 5},  // 2100-01-01
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        SetModificationTime(path, c.seconds, c.nanoseconds);
        const auto time = OpenPath(path).GetLastWriteTime();
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(Intervals(*time), c.expected);
    }
}

TEST(PlatformFiles, CompareFileTimeOrdersByTheWhole64BitCount) {
    using platform::FileTime;
    struct Case {
        FileTime a;
        FileTime b;
        int expected;
    };
    const Case cases[] = {
        {{0, 0}, {0, 0}, 0},
        {{1, 0}, {2, 0}, -1},
        {{0xFFFFFFFF, 0}, {0, 1}, -1},  // the high part decides
        {{0, 2}, {0xFFFFFFFF, 1}, 1},
        {{0x80000000, 0}, {0x7FFFFFFF, 0}, 1},  // unsigned parts
        {{7, 0x80000000}, {7, 0x80000000}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a.highDateTime << ":" << c.a.lowDateTime << " vs "
                                        << c.b.highDateTime << ":" << c.b.lowDateTime);
        EXPECT_EQ(platform::CompareFileTime(c.a, c.b), c.expected);
        EXPECT_EQ(platform::CompareFileTime(c.b, c.a), -c.expected);
    }
}

}  // namespace
