// The file operations where only the Win32 services set the scene: sharing with another
// program that writes, attributes set with SetFileAttributesW, times set with SetFileTime,
// and links.
#include <gtest/gtest.h>

#include "support/QueryOperationsFixture.h"
#include "support/windows/Win32TestSupport.h"

namespace {

class Win32FileOperations : public QueryOperationsFixture {
protected:
    float Measure(OperationId op, const std::vector<std::string>& paths) {
        Kch_Quantifier& q = NewQuantifier(op);
        for (const std::string& path : paths)
            AddPath(q, path, true);
        return EvaluateClosingFiles(q);
    }
};

// FileSize admits writers; FileTimeCompare admits readers only, so a file being written has
// no time to compare and the result is the neutral 0.0.
TEST_F(Win32FileOperations, FileSizeReadsAFileBeingWrittenThatFileTimeCompareCannotOpen) {
    const std::string written = dir.File("written", 11);
    const std::string other = dir.File("other", 1);
    SetModificationTime(written, 1000, 0);
    SetModificationTime(other, 2000, 0);
    struct Case {
        const char* label;
        DWORD access;  // of the other program's handle on `written`; 0: none open
        DWORD share;
        float size;
        float laterThanOther;    // FileTimeCompare(written, other)
        float earlierThanOther;  // FileTimeCompare(other, written)
    };
    const Case cases[] = {
        {"nobody else has it open", 0, 0, 11.0f, 1.0f, -1.0f},
        {"a writer sharing reading and writing", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
         11.0f, 0.0f, 0.0f},
        {"a writer sharing reading only", GENERIC_WRITE, FILE_SHARE_READ, 11.0f, 0.0f, 0.0f},
        {"a writer sharing nothing", GENERIC_WRITE, 0, 0.0f, 0.0f, 0.0f},
        {"a reader sharing reading only", GENERIC_READ, FILE_SHARE_READ, 11.0f, 1.0f, -1.0f},
        {"a reader sharing nothing", GENERIC_READ, 0, 0.0f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScopedHandle holder(INVALID_HANDLE_VALUE);
        if (c.access != 0) {
            holder = OpenAs(written, c.access, c.share);
            ASSERT_TRUE(holder.IsOpen());
        }
        EXPECT_TRUE(SameBits(c.size, Measure(OperationId::FileSize, {written})));
        EXPECT_TRUE(
            SameBits(c.laterThanOther, Measure(OperationId::FileTimeCompare, {written, other})));
        EXPECT_TRUE(
            SameBits(c.earlierThanOther, Measure(OperationId::FileTimeCompare, {other, written})));
    }
}

// What the system keeps on every file system it runs on.
TEST_F(Win32FileOperations, IsDirectoryOfAHiddenOrSystemDirectoryIsZero) {
    struct Case {
        const char* label;
        DWORD attributes;
    };
    const Case cases[] = {
        {"hidden", FILE_ATTRIBUTE_HIDDEN},
        {"system", FILE_ATTRIBUTE_SYSTEM},
        {"hidden and system", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    };
    int made = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = dir.Directory("d" + std::to_string(made++));
        ASSERT_TRUE(SetAttributesKept(path, c.attributes));
        EXPECT_TRUE(SameBits(0.0f, Measure(OperationId::IsDirectory, {path})));
        // Taking the attribute away again makes it a plain directory.
        ASSERT_TRUE(::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL));
        EXPECT_TRUE(SameBits(1.0f, Measure(OperationId::IsDirectory, {path})));
    }
}

// Attributes a file system may drop on directories (Wine keeps no read-only bit there, and
// neither archive nor not-content-indexed): a case whose attribute did not stick is skipped.
TEST_F(Win32FileOperations, IsDirectoryOfAReadOnlyArchivedOrUnindexedDirectoryIsZero) {
    struct Case {
        const char* label;
        DWORD attributes;
    };
    const Case cases[] = {
        {"read-only", FILE_ATTRIBUTE_READONLY},
        {"archive", FILE_ATTRIBUTE_ARCHIVE},
        {"not content-indexed", FILE_ATTRIBUTE_NOT_CONTENT_INDEXED},
    };
    std::string notKept;
    int made = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = dir.Directory("d" + std::to_string(made++));
        if (!SetAttributesKept(path, c.attributes)) {
            notKept += std::string(notKept.empty() ? "" : ", ") + c.label;
            continue;
        }
        EXPECT_TRUE(SameBits(0.0f, Measure(OperationId::IsDirectory, {path})));
    }
    if (!notKept.empty()) GTEST_SKIP() << "the file system keeps no such attribute: " << notKept;
}

TEST_F(Win32FileOperations, FileTimeCompareOrdersTimesSetWithSetFileTime) {
    const std::string path0 = dir.File("zero");
    const std::string path1 = dir.File("one");
    constexpr uint64_t k2015 = 0x01D0000000000000ull;
    struct Case {
        const char* label;
        uint64_t time0;
        uint64_t time1;
        float expected;
    };
    const Case cases[] = {
        {"file 1 later by 100 ns", k2015, k2015 + 1, 1.0f},
        {"file 1 earlier by 100 ns", k2015 + 1, k2015, -1.0f},
        {"the same time", k2015, k2015, 0.0f},
        {"the low words decide unsigned", k2015 + 0x7FFFFFFF, k2015 + 0x80000000, 1.0f},
        {"the high words decide first", k2015 + 0x100000000ull, k2015 + 0xFFFFFFFF, -1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(SetLastWriteTime(path0, c.time0));
        ASSERT_TRUE(SetLastWriteTime(path1, c.time1));
        EXPECT_TRUE(SameBits(c.expected, Measure(OperationId::FileTimeCompare, {path0, path1})));
    }
}

// A symbolic link is a reparse point: its own attributes are not exactly the directory's, and
// opening it reaches the target. Making one needs a privilege (or developer mode) on Windows
// and is not implemented by Wine, so the test skips where no link can be made.
TEST_F(Win32FileOperations, LinksAreReparsePointsThatOpenTheirTargets) {
    const std::string target = dir.Directory("target");
    const std::string file = dir.File("file", 42);
    const std::string dirLink = dir.Path("dirlink");
    const std::string fileLink = dir.Path("filelink");
    constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    auto link = [&](const std::string& at, const std::string& to, DWORD flags) {
        return ::CreateSymbolicLinkW(Wide(at).c_str(), Wide(to).c_str(), flags | kUnprivileged) &&
               ::GetFileAttributesW(Wide(at).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    if (!link(dirLink, target, SYMBOLIC_LINK_FLAG_DIRECTORY) || !link(fileLink, file, 0))
        GTEST_SKIP() << "no symbolic link can be made here";
    EXPECT_TRUE(SameBits(0.0f, Measure(OperationId::IsDirectory, {dirLink})));
    EXPECT_TRUE(SameBits(1.0f, Measure(OperationId::IsDirectory, {target})));
    EXPECT_TRUE(SameBits(42.0f, Measure(OperationId::FileSize, {fileLink})));
    EXPECT_TRUE(SameBits(0.0f, Measure(OperationId::FileSize, {dirLink})));
}

}  // namespace
